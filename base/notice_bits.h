// notice_bits.h - the bits of the data-changed notice: which kind of data a change touched.
//
// A view refills when a notice carries one of the bits it listens to.  The computed views answer
// the bits of what they changed (an int of these bits); the shell carries them as flags.
#ifndef VELK_BASE_NOTICE_BITS_H
#define VELK_BASE_NOTICE_BITS_H

namespace velk {

enum tNoticeBit : int {
    NoticeAppointments = 1,
    NoticeResources = 2,
    NoticePersons = 4,
    NoticeProjects = 8,
    NoticeAlarms = 16,
    NoticeAll = 31,
};

} // namespace velk

#endif
