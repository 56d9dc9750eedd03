#include "KeyRenumber.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "EntryIndex.h"
#include "KeyMarks.h"
#include "KeyReader.h"

namespace keylinker {
namespace {

using Kind = KeyFinding::Kind;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isDecimal(const QByteArray& number)
{
    return !number.isEmpty() && std::all_of(number.begin(), number.end(), isDigit);
}

std::string_view viewOf(const QByteArray& bytes)
{
    return {bytes.constData(), static_cast<size_t>(bytes.size())};
}

/// One replacement of the text: `length` bytes at `offset` become `replacement`.
struct Edit
{
    qsizetype offset;
    qsizetype length;
    const QByteArray* replacement; // a value of the new-number table, which outlives the edits
};

class Renumbering final
{
public:
    Renumbering(const QByteArray& text, const KeyStructure& key) : m_text(text), m_key(key), m_index(key)
    {
        m_newNumber.reserve(static_cast<size_t>(key.entries.size()));
        for (qsizetype i = 0; i < key.entries.size(); ++i)
            m_newNumber.push_back(QByteArray::number(i + 1));
    }

    QByteArray run()
    {
        for (const KeyEntry& entry : m_key.entries) {
            renumberAt(entry.offset + 1, entry.number); // the "#" mark, or a back link's text
            for (const KeyLead& lead : entry.leads)
                renumberReference(lead);
        }
        for (const KeyLead& lead : m_key.referencesBeforeFirstEntry)
            renumberReference(lead);
        renumberQuotedNames(KeyMarks::quotedAnchorPrefix);
        renumberQuotedNames(std::string_view("\"#anKer"));
        renumberLabels();
        return applied();
    }

private:
    /// Replaces the number `old` where it stands at `offset`, if an entry carries it.
    void renumberAt(qsizetype offset, const QByteArray& old)
    {
        const int entry = m_index.firstEntry(viewOf(old));
        if (entry < 0)
            return;
        const QByteArray& replacement = m_newNumber[static_cast<size_t>(entry)];
        if (replacement != old && viewOf(m_text).substr(static_cast<size_t>(offset),
                                                        static_cast<size_t>(old.size())) == viewOf(old))
            m_edits.push_back({offset, old.size(), &replacement});
    }

    void renumberReference(const KeyLead& lead)
    {
        if (lead.target == KeyLead::Target::Entry)
            renumberAt(lead.leaderEnd, lead.name);
    }

    /// The names of anchors (quote + "anKer12" + quote) and link targets ("#anKer12").
    void renumberQuotedNames(std::string_view prefix)
    {
        const std::string_view text = viewOf(m_text);
        for (size_t at = text.find(prefix); at != std::string_view::npos; at = text.find(prefix, at + 1)) {
            const size_t begin = at + prefix.size();
            size_t end = begin;
            while (end < text.size() && isDigit(text[end]))
                ++end;
            if (end > begin && end < text.size() && text[end] == '"')
                renumberAt(static_cast<qsizetype>(begin),
                           QByteArray(text.data() + begin, static_cast<qsizetype>(end - begin)));
        }
    }

    /// Labels such as "1*" that begin a lead inside the entry's own text.
    void renumberLabels()
    {
        const std::string_view text = viewOf(m_text);
        for (qsizetype i = 0; i < m_key.entries.size(); ++i) {
            const KeyEntry& entry = m_key.entries[i];
            const size_t end =
                i + 1 < m_key.entries.size() ? static_cast<size_t>(m_key.entries[i + 1].offset) : text.size();
            for (size_t at = static_cast<size_t>(entry.numberEnd); at < end; ++at) {
                size_t label = npos;
                if (text[at] == '\n' || text[at] == '\r')
                    label = at + 1;
                else if (text[at] == '<') // the entry's own text only: a "<" without ">" costs no more
                    label = behindLabelTag(text.substr(0, end), at);
                if (label == npos)
                    continue;
                while (label < end && (text[label] == ' ' || text[label] == '\t'))
                    ++label;
                const std::string_view number = viewOf(entry.number);
                const size_t behind = label + number.size();
                if (behind < end && text.substr(label, number.size()) == number &&
                    std::string_view("*'.abcd").find(text[behind]) != std::string_view::npos)
                    renumberAt(static_cast<qsizetype>(label), entry.number);
            }
        }
    }

    /// Behind a <BR>, <P> or <LI> tag (any case, attributes allowed) that begins at `at`, or npos.
    static size_t behindLabelTag(std::string_view text, size_t at)
    {
        size_t name = at + 1;
        size_t nameEnd = name;
        while (nameEnd < text.size() && ((text[nameEnd] | 0x20) >= 'a' && (text[nameEnd] | 0x20) <= 'z'))
            ++nameEnd;
        QByteArray tag = QByteArray(text.data() + name, static_cast<qsizetype>(nameEnd - name)).toLower();
        if (tag != "br" && tag != "p" && tag != "li")
            return npos;
        const size_t close = text.find('>', nameEnd);
        return close == npos ? npos : close + 1;
    }

    QByteArray applied()
    {
        std::sort(m_edits.begin(), m_edits.end(),
                  [](const Edit& a, const Edit& b) { return a.offset < b.offset; });
        QByteArray result;
        result.reserve(m_text.size() + m_text.size() / 16);
        qsizetype from = 0;
        for (const Edit& edit : m_edits) {
            if (edit.offset < from)
                continue; // the same place reached twice
            result.append(m_text.constData() + from, edit.offset - from);
            result.append(*edit.replacement);
            from = edit.offset + edit.length;
        }
        result.append(m_text.constData() + from, m_text.size() - from);
        return result;
    }

    static constexpr size_t npos = std::string_view::npos;
    const QByteArray& m_text;
    const KeyStructure& m_key;
    const EntryIndex m_index;
    std::vector<QByteArray> m_newNumber; // by entry position; never resized while edits point into it
    std::vector<Edit> m_edits;
};

} // namespace

RenumberResult KeyRenumber::renumber(const QByteArray& text)
{
    const KeyStructure key = KeyReader::read(text);
    const KeyCheckResult check = checkKey(key, CheckScope::NumberErrors);
    RenumberResult result;
    // Numbers that are not plain decimal ones, the first of them as findings and the others counted.
    qsizetype notDecimal = 0;
    for (const KeyEntry& entry : key.entries) {
        if (!entry.numberCut && isDecimal(entry.number))
            continue;
        if (notDecimal++ >= maxListedFindings)
            continue;
        KeyFinding finding;
        finding.kind = Kind::NumberNotDecimal;
        finding.offset = entry.offset;
        key.place(entry.offset, finding.line, finding.column);
        finding.numbers = {QByteArray(entry.number.constData(), entry.number.size())}; // outlives the key
        result.findings.append(finding);
    }
    const qsizetype duplicates = check.count(Kind::DuplicateEntry);
    if (duplicates > 0 || notDecimal > 0) {
        result.findings += check.listed({Kind::DuplicateEntry});
        std::stable_sort(result.findings.begin(), result.findings.end(),
                         [](const KeyFinding& a, const KeyFinding& b) { return a.offset < b.offset; });
        if (result.findings.size() > maxListedFindings)
            result.findings.resize(maxListedFindings);
        result.notListed = duplicates + notDecimal - result.findings.size();
        return result;
    }
    result.findings = check.listed({Kind::MissingEntry});
    result.notListed = check.notListed({Kind::MissingEntry});
    for (KeyFinding& finding : result.findings)
        finding.warningOnly = true;
    result.renumbered = true;
    result.text = Renumbering(text, key).run();
    return result;
}

} // namespace keylinker
