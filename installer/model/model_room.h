// The model's prevention header: every source file of the installer's model includes it last.
// Each room above the model (the front ends, the presentation, the program, --check, the demo
// machine, the terminal texts) marks its headers with PACKGATE_INSTALLER_ABOVE_MODEL, so a
// model file that reaches one of them, or a screen or window library, does not compile. The
// model stays something every front end can stand on, and none of them inside it.
#if defined(PACKGATE_INSTALLER_ABOVE_MODEL)
#error "the installer's model must not include a front end, the presentation or the program"
#endif
#if defined(NCURSES_VERSION) || defined(QT_VERSION) || defined(GTK_MAJOR_VERSION) || \
    defined(X_PROTOCOL) || defined(WAYLAND_CLIENT_H)
#error "the installer's model must not include a screen or window library"
#endif
