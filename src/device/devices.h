// The figure output formats, each made for one run.
#pragma once

#include <memory>

#include "figure/figure.h"
#include "util/files.h"
#include "util/options.h"

namespace kg {

std::unique_ptr<OutputDevice> make_pstex_device(const Options& opt, MainOutput& out);
std::unique_ptr<OutputDevice> make_tex_device(const Options& opt, MainOutput& out);
std::unique_ptr<OutputDevice> make_ascii_device(const Options& opt, MainOutput& out);
std::unique_ptr<OutputDevice> make_screen_device(const Options& opt, MainOutput& out);
std::unique_ptr<OutputDevice> make_gif_device(const Options& opt, MainOutput& out);
std::unique_ptr<OutputDevice> make_html_device(const Options& opt, MainOutput& out);
std::unique_ptr<OutputDevice> make_null_device(const Options& opt, MainOutput& out);

}  // namespace kg
