// The Installer Log window: this run's install log lines, message first, narrowed by a filter
// and saved as shown. It reads the log when it opens and whenever it is refreshed; the log
// may be written from other threads meanwhile (InstallLog keeps its lines under a lock).
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <QDialog>
#include <QStringList>

#include "installer/model/install_log.h"
#include "installer/words/words.h"

class QLineEdit;
class QPlainTextEdit;

namespace installer {

class LogWindow : public QDialog {
    Q_OBJECT

  public:
    LogWindow(const InstallLog& log, const Words& words, QWidget* parent = nullptr);

    // Reads the log's lines again and shows those the filter lets through.
    void refresh();
    // The lines shown now, message first.
    QStringList shownLines() const;
    // Writes the shown lines to `path`, one a line; false when the file cannot be written.
    bool saveTo(const QString& path) const;

  private:
    void save();
    void showFiltered();

    const InstallLog& log_;
    const Words& words_;
    QLineEdit* filter_;
    QPlainTextEdit* text_;
    QStringList lines_;
    QStringList shown_;
};

}  // namespace installer
