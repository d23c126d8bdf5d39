// plan_mix.h - the database the drawn views' sections share: N appointments of the sections' mix
// over three years (2023 to 2025) by 20 users, a third of them booking one of 50 resources;
// N / 10 persons with birthdays; and, where asked, N / 20 tasks due in those years.
#ifndef VELK_BENCH_VIEWS_PLAN_MIX_H
#define VELK_BENCH_VIEWS_PLAN_MIX_H

namespace velk::bench {

// Fills the open database; `seed` draws the mix, `section` names the caller in the message that
// ends the program when a record is not stored.
void fillPlanMix(long n, unsigned seed, bool withTasks, const char *section);
// The platform images and PDF files are painted on: offscreen unless the environment names one.
void ensureOffscreenGui();

} // namespace velk::bench

#endif
