#include "shell/ui/list_win.h"

#include <QCloseEvent>
#include <QVBoxLayout>

#include "shell/core/commands.h"
#include "shell/ui/tab_list.h"

namespace velk {

tListWin::tListWin(const tListLook &look, tListWin **openSlot, QWidget *parent)
    : tView(parent), look_(look), openSlot_(openSlot)
{
    setObjectName(QString::fromUtf8(look.name));
    setWindowTitle(QString::fromUtf8(look.title));
    if (openSlot_) *openSlot_ = this;
}

tListWin::~tListWin() { leaveSlot(); }

void tListWin::leaveSlot()
{
    if (openSlot_ && *openSlot_ == this) *openSlot_ = nullptr;
}

// A closed window is gone for the menu at once, though Qt deletes it only later.
void tListWin::closeEvent(QCloseEvent *event)
{
    leaveSlot();
    tView::closeEvent(event);
}

void tListWin::setBody(QWidget *body)
{
    body->setObjectName(QString::fromUtf8(look_.bodyName));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(body);
}

// The sub-window opens at this size: the columns of a line in view.
QSize tListWin::sizeHint() const { return QSize(look_.width, look_.height); }

QString tListWin::helpKeyword() const { return QString::fromUtf8(look_.help); }

tTabListWin::tTabListWin(const tListLook &look, std::vector<int> tabStops, bool sorted,
                         tListWin **openSlot, QWidget *parent)
    : tListWin(look, openSlot, parent), list_(new tTabList(std::move(tabStops), sorted))
{
    setBody(list_);
    connect(list_, &tTabList::currentRowChanged, this, [this] { commandsChanged(); });
    list_->setReturnOpens(true);
    connect(list_, &tTabList::lineActivated, this, [this] { openLine(); });
}

void tTabListWin::openLine() { command(CmEdit); }

std::vector<std::string> tTabListWin::lineTexts() const
{
    const tTabLineModel *model = list_->lines();
    std::vector<std::string> texts;
    texts.reserve(std::size_t(model->count()));
    for (int row = 0; row < model->count(); ++row) texts.push_back(model->line(row).text);
    return texts;
}

} // namespace velk
