// The Destination page: the pane's view drawn natively from a PaneView. The pane's label
// (word-wrapped), one radio button per row with the row's details under it, the copies the
// pane turned away below them (dimmed, with their reasons), all in one scroll area. Choosing
// a row only asks for it (rowChosen); the page shows the choice once the pane's view says so.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <QWidget>

#include "installer/model/pane_view.h"
#include "installer/words/words.h"

class QButtonGroup;
class QLabel;
class QScrollArea;

namespace installer {

class PanePage : public QWidget {
    Q_OBJECT

  public:
    PanePage(const Words& words, QWidget* parent = nullptr);

    // Draws `pane` in place of what the page showed, keeping the scroll position.
    void showPane(const PaneView& pane);
    // Whether the rows can be chosen (not during a wait or while the sheet is up).
    void setInteractive(bool interactive);

  signals:
    void rowChosen(int index);

  private:
    QWidget* buildContent(const PaneView& pane);

    const Words& words_;
    QLabel* heading_;
    QScrollArea* scroll_;
    QButtonGroup* rows_ = nullptr;
    bool interactive_ = true;
};

// A text shown as it stands on a button: '&' does not mark a shortcut.
QString ButtonText(const std::string& text);

}  // namespace installer
