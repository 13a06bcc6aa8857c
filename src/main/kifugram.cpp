#include "main/main.h"

int main(int argc, char** argv) { return kg::kifugram_main(argc, argv); }
