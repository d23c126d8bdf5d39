// plan_mix.cpp - the drawn views' shared database and their offscreen platform.
#include "bench/views/plan_mix.h"

#include "address/person.h"
#include "address/resource.h"
#include "base/session.h"
#include "bench/views/bench_views.h"
#include "calendar/termin_store.h"
#include "projects/project.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace velk::bench {

namespace {
constexpr int kUsers = 20, kResources = 50;
} // namespace

void fillPlanMix(long n, unsigned seed, bool withTasks, const char *section)
{
    std::mt19937 rng(seed);
    bool ok = true;
    std::vector<std::string> resources;
    for (int i = 0; i < kResources; i++) {
        tResource r;
        r.setId(numbered("R", i));
        r.setTitle("Raum " + std::to_string(i));
        ok = r.insert() == tStoreStatus::Stored && ok;
        resources.push_back(r.ID);
    }
    for (long i = 0; i < n / 10; i++) {
        tPerson p;
        p.setId(numbered("P", i));
        p.setName("Name" + std::to_string(i));
        p.BIRTH = dayTime(int(rng() % 365), 0);
        p.BIRTH.year = 1940 + int(rng() % 60);
        ok = p.insert() == tStoreStatus::Stored && ok;
    }
    for (long i = 0; withTasks && i < n / 20; i++) {
        tTask k;
        k.setId(numbered("T", i));
        k.setTitle("Aufgabe " + std::to_string(i));
        k.setProject("PRJ");
        k.ENDDATE = dayTime(int(rng() % 1096), 0);
        ok = k.insert() == tStoreStatus::Stored && ok;
    }
    for (long i = 0; i < n; i++) {
        int owner = 0;
        tTermin t = mixedTermin(rng, i, kUsers, owner);
        if (rng() % 3 == 0) t.setResource(resources[rng() % kResources]);
        setCurrentUser(numbered("u", owner));
        ok = tTerminStore::instance().insert(t).status == tStoreStatus::Stored && ok;
    }
    if (!ok) {
        std::fprintf(stderr, "%s: a record was not stored\n", section);
        std::exit(2);
    }
}

void ensureOffscreenGui()
{
    if (QGuiApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "bench_views";
    static char *argv[] = {name, nullptr};
    static auto *app = new QGuiApplication(argc, argv);
    (void)app;
}

} // namespace velk::bench
