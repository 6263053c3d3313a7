// A library of the machine for the system tests.
extern "C" __attribute__((visibility("default"))) int ProbeAnswer() {
  return 42;
}
