#include "cli/cli_app.h"

int main(int argc, char** argv) {
  return lipimattam::RunCli(argc, argv);
}
