#include "installer/window/pane_page.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "installer/present/row_texts.h"
#include "installer/window/window_texts.h"

namespace installer {
namespace {

// The pane's and the bundle's texts are plain text, never markup.
QLabel* PlainLabel(const std::string& text, QWidget* parent) {
    auto* label = new QLabel(QString::fromStdString(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

}  // namespace

QString ButtonText(const std::string& text) {
    return QString::fromStdString(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

PanePage::PanePage(const Words& words, QWidget* parent)
    : QWidget(parent), words_(words), heading_(PlainLabel({}, this)), scroll_(new QScrollArea(this)) {
    QFont bold = heading_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    heading_->setFont(bold);
    heading_->setObjectName("paneHeading");
    scroll_->setObjectName("paneScroll");
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(heading_);
    layout->addWidget(scroll_, 1);
}

QWidget* PanePage::buildContent(const PaneView& pane) {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    auto* label = PlainLabel(pane.label, content);
    label->setObjectName("paneLabel");
    layout->addWidget(label);
    rows_ = new QButtonGroup(content);
    for (std::size_t i = 0; i < pane.rows.size(); ++i) {
        const PaneRow& row = pane.rows[i];
        auto* radio = new QRadioButton(ButtonText(row.title), content);
        radio->setObjectName(QStringLiteral("paneRow%1").arg(i));
        radio->setChecked(row.selected);
        radio->setEnabled(interactive_);
        rows_->addButton(radio, static_cast<int>(i));
        layout->addWidget(radio);
        const std::string details = RowDetails(row, words_);
        if (details.empty()) continue;
        auto* line = PlainLabel(details, content);
        line->setObjectName(QStringLiteral("paneRowDetails%1").arg(i));
        line->setContentsMargins(radio->iconSize().width() + 8, 0, 0, 0);
        line->setForegroundRole(QPalette::PlaceholderText);
        layout->addWidget(line);
    }
    connect(rows_, &QButtonGroup::idClicked, this, [this](int index) { emit rowChosen(index); });
    const std::vector<std::string> turnedAway = TurnedAwayLines(pane, words_);
    if (!turnedAway.empty()) {
        layout->addSpacing(12);
        auto* heading = PlainLabel(words_.text("window.pane.turned_away"), content);
        heading->setObjectName("paneTurnedAwayHeading");
        heading->setEnabled(false);
        layout->addWidget(heading);
    }
    for (std::size_t i = 0; i < turnedAway.size(); ++i) {
        auto* line = PlainLabel(turnedAway[i], content);
        line->setObjectName(QStringLiteral("paneTurnedAway%1").arg(i));
        line->setEnabled(false);  // Dimmed: nothing to choose there.
        layout->addWidget(line);
    }
    layout->addStretch(1);
    return content;
}

void PanePage::showPane(const PaneView& pane) {
    heading_->setText(QString::fromStdString(pane.title));
    const int scrolled = scroll_->verticalScrollBar()->value();
    delete scroll_->takeWidget();
    scroll_->setWidget(buildContent(pane));
    scroll_->verticalScrollBar()->setValue(scrolled);
}

void PanePage::setInteractive(bool interactive) {
    interactive_ = interactive;
    if (rows_ == nullptr) return;
    for (QAbstractButton* button : rows_->buttons()) button->setEnabled(interactive);
}

}  // namespace installer
