// The Installer's pane class (InstallerPane of the InstallerPlugins framework) and the
// contract through which a host program loads a plug-in bundle.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "appkit/views.h"
#include "foundation/bundle.h"
#include "platform_export.h"

// The Installer's direction values.
using InstallerSectionDirection = long;
inline constexpr InstallerSectionDirection InstallerDirectionForward = 0;
inline constexpr InstallerSectionDirection InstallerDirectionBackward = 1;
inline constexpr InstallerSectionDirection InstallerDirectionUndefined = 2;

// What the pane's view description (Contents/Resources/<name>.view, an XML property list)
// lays out: a window holding a label and a radio matrix.
struct PaneContentView {
    std::unique_ptr<appkit::Window> window;
    std::shared_ptr<appkit::TextField> label;
    std::shared_ptr<appkit::RadioMatrix> matrix;
};

// Builds the content view from the view description file at `path` (the label and the
// matrix are placed in the window):
//   { Label = { Text = "..."; }; Matrix = { Rows = 8; SelectedRow = 0; }; }
// Rows defaults to 8 and SelectedRow to 0; a missing or unreadable file gives the defaults.
// Each number may be an integer or a text holding only a decimal integer; one that is not,
// a Rows outside 0 to 64 or a SelectedRow that names no row gives its default.
PACKGATE_PLATFORM_API PaneContentView LoadPaneContentView(const std::optional<std::string>& path);

class PACKGATE_PLATFORM_API InstallerPane {
  public:
    InstallerPane(foundation::Bundle bundle, PaneContentView view);
    virtual ~InstallerPane();
    InstallerPane(const InstallerPane&) = delete;
    InstallerPane& operator=(const InstallerPane&) = delete;

    // The title the Installer shows for the pane.
    virtual std::string title() const;
    // Called each time the user arrives at the pane, going forward or coming back.
    virtual void didEnterPane(InstallerSectionDirection direction);
    // Called each time the user wants to leave; yes lets the Installer go on.
    virtual bool shouldExitPane(InstallerSectionDirection direction);

    // The Installer's Continue button.
    void setNextEnabled(bool enabled) { nextEnabled_ = enabled; }
    bool nextEnabled() const { return nextEnabled_; }

    // The bundle the pane's class came from (`bundleForClass:`).
    const foundation::Bundle& bundle() const { return bundle_; }
    // The pane's view: its window, label and radio matrix, as the host draws them.
    const PaneContentView& contentView() const { return view_; }
    appkit::Window* window() const { return view_.window.get(); }

private:
    foundation::Bundle bundle_;
    PaneContentView view_;
    bool nextEnabled_ = true;
};

// The plug-in's one exported entry point: creates the object of the principal class named
// `className` with the plug-in's own bundle, or answers null when the module has no such
// class. The host owns the result and destroys it with `delete`. The symbol has C linkage.
using PackgateCreatePaneFunction = InstallerPane* (*)(const char* className);
inline constexpr const char* kPackgateCreatePaneSymbol = "PackgateCreatePane";
