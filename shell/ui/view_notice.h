// view_notice.h - telling the other open views of a change.
#ifndef VELK_SHELL_UI_VIEW_NOTICE_H
#define VELK_SHELL_UI_VIEW_NOTICE_H

class QWidget;

namespace velk {

// Delivers the data-changed notice with `mask` to every view of the client that holds `self`,
// except `self`, which has already shown the change; nothing for a view shown on its own.
void noticeOtherViews(QWidget *self, int mask);

} // namespace velk

#endif
