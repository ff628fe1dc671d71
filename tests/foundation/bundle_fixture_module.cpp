// A loadable module that the bundle tests place in Fixture.bundle/Contents/MacOS/, the way
// the plug-in sits in its bundle.

namespace {
int gMarker = 0;
}  // namespace

extern "C" __attribute__((visibility("default"))) const void* BundleFixtureAddress() {
    return &gMarker;
}
