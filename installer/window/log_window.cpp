#include "installer/window/log_window.h"

#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "installer/present/log_texts.h"

namespace installer {

LogWindow::LogWindow(const InstallLog& log, const Words& words, QWidget* parent)
    : QDialog(parent), log_(log), words_(words), filter_(new QLineEdit(this)),
      text_(new QPlainTextEdit(this)) {
    setObjectName("logWindow");
    setWindowTitle(QString::fromStdString(words.text("window.log.title")));
    filter_->setObjectName("logFilter");
    filter_->setPlaceholderText(QString::fromStdString(words.text("window.log.filter")));
    filter_->setClearButtonEnabled(true);
    text_->setObjectName("logText");
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* save = new QPushButton(QString::fromStdString(words.text("window.log.save")), this);
    save->setObjectName("logSave");
    auto* top = new QHBoxLayout;
    top->addWidget(filter_, 1);
    top->addWidget(save);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(text_, 1);
    resize(720, 420);
    connect(filter_, &QLineEdit::textChanged, this, [this]() { showFiltered(); });
    connect(save, &QPushButton::clicked, this, [this]() { this->save(); });
}

void LogWindow::refresh() {
    lines_.clear();
    for (const LogEntry& entry : log_.entries()) {
        lines_.push_back(QString::fromStdString(MessageThenTime(entry)));
    }
    showFiltered();
}

void LogWindow::showFiltered() {
    const QString filter = filter_->text().trimmed();
    shown_.clear();
    for (const QString& line : lines_) {
        if (filter.isEmpty() || line.contains(filter, Qt::CaseInsensitive)) shown_.push_back(line);
    }
    text_->setPlainText(shown_.join(QLatin1Char('\n')));
}

QStringList LogWindow::shownLines() const {
    return shown_;
}

bool LogWindow::saveTo(const QString& path) const {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    for (const QString& line : shown_) {
        const QByteArray bytes = line.toUtf8() + '\n';
        if (file.write(bytes) != bytes.size()) return false;
    }
    return file.flush();
}

void LogWindow::save() {
    const QString path = QFileDialog::getSaveFileName(
        this, QString::fromStdString(words_.text("window.log.save")),
        QStringLiteral("Packgate-install.log"));
    if (path.isEmpty() || saveTo(path)) return;
    QMessageBox::warning(this, windowTitle(),
                         QString::fromStdString(words_.text(
                             "window.log.save_failed", {{"path", path.toStdString()}})));
}

}  // namespace installer
