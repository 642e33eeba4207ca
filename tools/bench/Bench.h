#pragma once
#include <functional>
#include <string>
#include <vector>

// A named benchmark section: prints its measurements, returns false when a target is missed.
struct BenchSection {
    std::string name;
    std::function<bool()> run;
};

std::vector<BenchSection> &benchSections();

// The Qt application the sections share, made by the first that needs it.
void ensureApplication();

// Registers a section from its own file: static BenchRegistration r("name", function);
struct BenchRegistration {
    BenchRegistration(std::string name, std::function<bool()> run)
    {
        benchSections().push_back({std::move(name), std::move(run)});
    }
};
