// A kvscomn module without vrndate.
extern "C" __attribute__((visibility("default"))) int vrndate_retired(void) { return 0; }
