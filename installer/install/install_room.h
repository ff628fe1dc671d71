// The install step's prevention header: every source file of install/ includes it last. The
// model calls the install step, never the other way round: the model's headers carry
// PACKGATE_INSTALLER_MODEL and the rooms above it PACKGATE_INSTALLER_ABOVE_MODEL, so an
// install file that reaches either does not compile.
#if defined(PACKGATE_INSTALLER_MODEL) || defined(PACKGATE_INSTALLER_ABOVE_MODEL)
#error "the install step must not include the installer's model or a room above it"
#endif
