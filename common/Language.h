#pragma once

#include <QString>

namespace keylinker {

/// The two languages in which the program speaks to its user; German comes first.
enum class Language { German, English };

/// One text of the program in both languages, as UTF-8. Every text stands beside its translation in
/// a table of these, so that none is added to one language only, and `in` is the one place that
/// picks a language.
struct BilingualText final
{
    const char* german;
    const char* english;

    QString in(Language language) const
    {
        return QString::fromUtf8(language == Language::German ? german : english);
    }
};

} // namespace keylinker
