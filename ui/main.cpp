#include "ui/application.h"

int main(int argc, char** argv) {
  return lipimattam::RunApplication(argc, argv);
}
