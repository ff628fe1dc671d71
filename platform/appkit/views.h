// View models of the pane: a radio matrix of button cells, a text field and the window
// that shows them, which can carry one informational sheet. Models only: nothing here
// draws. The hosting program reads them after each callback and draws what it finds.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform_export.h"

namespace appkit {

class Window;

// One radio-button row.
class ButtonCell {
public:
    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    long tag() const { return tag_; }
    void setTag(long tag) { tag_ = tag; }

private:
    std::string title_;
    long tag_ = 0;
};

// One column of radio-button rows; at most one row is selected, none in a new matrix.
class PACKGATE_PLATFORM_API RadioMatrix {
  public:
    explicit RadioMatrix(std::size_t rows = 0);

    std::size_t numberOfRows() const { return cells_.size(); }
    // The cells in row order (`cells`). The pointers stay valid until their row is removed.
    std::vector<ButtonCell*> cells() const;
    ButtonCell* cellAtRow(std::size_t row) const;

    // The selected cell, or null when no row is selected.
    ButtonCell* selectedCell() const;
    std::optional<std::size_t> selectedRow() const { return selected_; }
    // Selects `row`; answers no (and keeps the selection) when there is no such row.
    bool selectCellAtRow(std::size_t row);

    // Appends an empty row at the bottom.
    void addRow();
    // Removes `row` (`removeRow:`); a removed selected row leaves no selection, rows below
    // it move up and stay selected. Does nothing for a row that does not exist.
    void removeRow(std::size_t row);

    Window* window() const { return window_; }
    void setWindow(Window* window) { window_ = window; }

private:
    std::vector<std::unique_ptr<ButtonCell>> cells_;
    std::optional<std::size_t> selected_;
    Window* window_ = nullptr;
};

// A non-editable label.
class TextField {
public:
    const std::string& stringValue() const { return text_; }
    void setStringValue(std::string text) { text_ = std::move(text); }
    Window* window() const { return window_; }
    void setWindow(Window* window) { window_ = window; }

private:
    std::string text_;
    Window* window_ = nullptr;
};

// The informational sheet shown on a window: an optional title, a message and one button.
struct Sheet {
    std::optional<std::string> title;
    std::string message;
    std::string defaultButton;
};

class Window {
public:
    // The sheet on screen, if any.
    const std::optional<Sheet>& sheet() const { return sheet_; }
    // The user pressed the sheet's button.
    void endSheet() { sheet_.reset(); }
    void showSheet(Sheet sheet) { sheet_ = std::move(sheet); }

private:
    std::optional<Sheet> sheet_;
};

// NSBeginInformationalAlertSheet: shows an informational sheet on `window` and returns at
// once. `messageFormat` is shown as it stands. A null window shows nothing. The alternate and
// other buttons, delegate, handlers and context of the macOS call have no use here and are
// left out.
PACKGATE_PLATFORM_API void BeginInformationalAlertSheet(const std::optional<std::string>& title,
                                                        const std::string& defaultButton,
                                                        Window* window,
                                                        const std::string& messageFormat);

}  // namespace appkit
