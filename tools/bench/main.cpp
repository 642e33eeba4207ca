// ztbench [section...]: runs the named benchmark sections, or all of them.
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "Bench.h"

std::vector<BenchSection> &benchSections()
{
    static std::vector<BenchSection> sections;
    return sections;
}

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "ztbench";
    static char *argv[] = {name, nullptr};
    // Windows are measured offscreen unless a platform is named.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!QCoreApplication::instance())
        new QApplication(argc, argv); // lives for the run
}

int main(int argc, char **argv)
{
    auto &sections = benchSections();
    std::sort(sections.begin(), sections.end(),
              [](const BenchSection &a, const BenchSection &b) { return a.name < b.name; });
    bool allMet = true;
    int ran = 0;
    for (const BenchSection &s : sections) {
        const bool wanted = argc < 2 || std::any_of(argv + 1, argv + argc,
                                                    [&](const char *a) { return s.name == a; });
        if (!wanted)
            continue;
        std::printf("== %s\n", s.name.c_str());
        std::fflush(stdout);
        const bool met = s.run();
        std::printf("== %s: %s\n\n", s.name.c_str(), met ? "targets met" : "TARGET MISSED");
        allMet = allMet && met;
        ++ran;
    }
    if (ran == 0) {
        std::fprintf(stderr, "No such section. Sections:");
        for (const BenchSection &s : sections)
            std::fprintf(stderr, " %s", s.name.c_str());
        std::fprintf(stderr, "\n");
        return 2;
    }
    return allMet ? 0 : 1;
}
