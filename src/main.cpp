// pbrain-ruvex: a Gomocup brain. No command-line options are read.
#include "shell/startup.h"

int main() {
  ruvex::RunEngine();
  ruvex::Shutdown();
}
