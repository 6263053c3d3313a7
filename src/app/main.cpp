// setup.exe
#include "app/Startup.h"

int main() {
  return niv::RunSetup();
}
