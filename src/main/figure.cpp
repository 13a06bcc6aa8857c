// STUB: replaced by the figure driver.
#include "main/figure.h"
#include "main/settings.h"
namespace kg {
const OutputDevice* const devices[kDevices] = {};
void game2fig(Game*, const OutputDevice*) { fatal(1, "%s: figure output is not available yet\n", program.c_str()); }
}  // namespace kg
