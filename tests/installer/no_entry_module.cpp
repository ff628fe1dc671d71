// A loadable module without the plug-in entry point, for the loader's tests.
extern "C" __attribute__((visibility("default"))) int PackgateSomethingElse() {
    return 1;
}
