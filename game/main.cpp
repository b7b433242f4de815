#include "game/script.h"
#include "runtime/core/program.h"

int main(int argc, char** argv) { return rt::runtime_main(argc, argv, game::script_body); }
