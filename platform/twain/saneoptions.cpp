#include "platform/twain/saneoptions.h"

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstring>

bool SameText(const std::string &a, const std::string &b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

int TSaneOptions::Find(const char *name) const {
    if (!handle_) return -1;
    for (SANE_Int i = 1;; ++i) {
        const SANE_Option_Descriptor *d = sane_get_option_descriptor(handle_, i);
        if (!d) return -1;
        if (d->name && std::strcmp(d->name, name) == 0) return SANE_OPTION_IS_ACTIVE(d->cap) ? i : -1;
    }
}

std::optional<double> TSaneOptions::Number(const char *name) const {
    const int i = Find(name);
    if (i < 0) return std::nullopt;
    const SANE_Option_Descriptor *d = sane_get_option_descriptor(handle_, i);
    if ((d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) || d->size < static_cast<SANE_Int>(sizeof(SANE_Word)))
        return std::nullopt;
    std::vector<SANE_Word> words(static_cast<size_t>(d->size) / sizeof(SANE_Word) + 1);
    if (sane_control_option(handle_, i, SANE_ACTION_GET_VALUE, words.data(), nullptr) != SANE_STATUS_GOOD)
        return std::nullopt;
    return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(words[0]) : static_cast<double>(words[0]);
}

std::optional<std::string> TSaneOptions::String(const char *name) const {
    const int i = Find(name);
    if (i < 0) return std::nullopt;
    const SANE_Option_Descriptor *d = sane_get_option_descriptor(handle_, i);
    if (d->type != SANE_TYPE_STRING || d->size <= 0) return std::nullopt;
    std::vector<char> text(static_cast<size_t>(d->size) + 1, '\0');
    if (sane_control_option(handle_, i, SANE_ACTION_GET_VALUE, text.data(), nullptr) != SANE_STATUS_GOOD)
        return std::nullopt;
    return std::string(text.data());
}

std::vector<std::string> TSaneOptions::Strings(const char *name) const {
    std::vector<std::string> out;
    const int i = Find(name);
    if (i < 0) return out;
    const SANE_Option_Descriptor *d = sane_get_option_descriptor(handle_, i);
    if (d->type == SANE_TYPE_STRING && d->constraint_type == SANE_CONSTRAINT_STRING_LIST)
        for (const SANE_String_Const *s = d->constraint.string_list; s && *s; ++s) out.emplace_back(*s);
    return out;
}

std::vector<double> TSaneOptions::NumberChoices(const char *name, bool *isRange) const {
    std::vector<double> out;
    *isRange = false;
    const int i = Find(name);
    if (i < 0) return out;
    const SANE_Option_Descriptor *d = sane_get_option_descriptor(handle_, i);
    auto value = [d](SANE_Word w) { return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : static_cast<double>(w); };
    if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
        const SANE_Word *list = d->constraint.word_list;
        for (SANE_Word k = 1; k <= list[0]; ++k) out.push_back(value(list[k]));
    } else if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
        *isRange = true;
        out = {value(d->constraint.range->min), value(d->constraint.range->max)};
    }
    return out;
}

TOptionResult TSaneOptions::SetNumber(const char *name, double value) {
    const int i = Find(name);
    if (i < 0) return TOptionResult::Missing;
    const SANE_Option_Descriptor *d = sane_get_option_descriptor(handle_, i);
    if (!SANE_OPTION_IS_SETTABLE(d->cap) || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED))
        return TOptionResult::Refused;
    if (!std::isfinite(value) || std::fabs(value) > 32767.0) return TOptionResult::Refused;
    const SANE_Word word = d->type == SANE_TYPE_FIXED ? SANE_FIX(value) : static_cast<SANE_Word>(std::lround(value));
    // Values outside the device's constraint are refused rather than silently clamped.
    if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
        if (word < d->constraint.range->min || word > d->constraint.range->max) return TOptionResult::Refused;
    } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
        bool listed = false;
        const SANE_Word *list = d->constraint.word_list;
        for (SANE_Word k = 1; k <= list[0]; ++k) listed = listed || list[k] == word;
        if (!listed) return TOptionResult::Refused;
    }
    // A vector option gets the value in every element.
    std::vector<SANE_Word> words(static_cast<size_t>(std::max<SANE_Int>(d->size, sizeof(SANE_Word))) /
                                     sizeof(SANE_Word),
                                 word);
    SANE_Int info = 0;
    if (sane_control_option(handle_, i, SANE_ACTION_SET_VALUE, words.data(), &info) != SANE_STATUS_GOOD)
        return TOptionResult::Refused;
    return (info & SANE_INFO_INEXACT) || words[0] != word ? TOptionResult::Inexact : TOptionResult::Set;
}

TOptionResult TSaneOptions::SetString(const char *name, const std::string &value) {
    const int i = Find(name);
    if (i < 0) return TOptionResult::Missing;
    const SANE_Option_Descriptor *d = sane_get_option_descriptor(handle_, i);
    if (!SANE_OPTION_IS_SETTABLE(d->cap) || d->type != SANE_TYPE_STRING || d->size <= 0)
        return TOptionResult::Refused;
    if (value.size() + 1 > static_cast<size_t>(d->size)) return TOptionResult::Refused;
    std::vector<char> text(static_cast<size_t>(d->size), '\0');
    std::memcpy(text.data(), value.c_str(), value.size());
    SANE_Int info = 0;
    if (sane_control_option(handle_, i, SANE_ACTION_SET_VALUE, text.data(), &info) != SANE_STATUS_GOOD)
        return TOptionResult::Refused;
    return (info & SANE_INFO_INEXACT) ? TOptionResult::Inexact : TOptionResult::Set;
}
