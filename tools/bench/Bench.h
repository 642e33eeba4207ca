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

// Registers a section from its own file: static BenchRegistration r("name", function);
struct BenchRegistration {
    BenchRegistration(std::string name, std::function<bool()> run)
    {
        benchSections().push_back({std::move(name), std::move(run)});
    }
};
