#pragma once
// Thin access to a SANE device's options by name: reading numbers and strings,
// setting them within the option's constraint, and telling refused values from
// values the device rounded.
#include <sane/sane.h>

#include <optional>
#include <string>
#include <vector>

enum class TOptionResult { Set, Inexact, Refused, Missing };

class TSaneOptions {
public:
    explicit TSaneOptions(SANE_Handle handle) : handle_(handle) {}

    // True when the option exists and is active.
    bool Has(const char *name) const { return Find(name) >= 0; }
    std::optional<double> Number(const char *name) const;
    std::optional<std::string> String(const char *name) const;
    // The values a string-list option allows.
    std::vector<std::string> Strings(const char *name) const;
    // For the dialog: the listed values of a word-list option, or {min, max} of a range.
    std::vector<double> NumberChoices(const char *name, bool *isRange) const;

    TOptionResult SetNumber(const char *name, double value);
    TOptionResult SetString(const char *name, const std::string &value);

private:
    int Find(const char *name) const;
    SANE_Handle handle_;
};

// Case-insensitive comparison of SANE's texts ("Gray" against "gray").
bool SameText(const std::string &a, const std::string &b);
