#pragma once

#include <vector>

#include <QByteArray>
#include <QRandomGenerator>

namespace keylinker::bench {

/// Writes determination keys as an author types them before they are linked: an HTML page whose
/// numbered entries ("#12") hold two or three leads, each ending in a dot leader and either the
/// number of a later entry (".....13") or a taxon name ("....Species Carabus auratus"). Every entry
/// but the first is referred to by exactly one lead of an earlier entry, numbered depth first as in
/// printed dichotomous keys. The same seed always gives the same key.
class KeyGenerator final
{
public:
    enum class Language { English, German };

    /// The language of the lead texts follows from the seed unless set otherwise.
    explicit KeyGenerator(quint32 seed);

    void setLanguage(Language language) { m_language = language; }
    Language language() const { return m_language; }

    /// A key of about `targetBytes` bytes (a little more rather than less; at least one entry),
    /// lines ending in CR LF.
    QByteArray generate(qsizetype targetBytes);

    /// Number of entries of the key last generated.
    int entryCount() const { return int(m_entries.size()); }

private:
    struct Lead
    {
        QByteArray text; // without the dot leader
        int dots = 3;
        int entry = -1; // index of the entry it leads to, -1 when it ends in `taxon`
        QByteArray taxon;
    };
    struct Entry
    {
        std::vector<Lead> leads;
    };

    int addEntry();
    QByteArray leadText();
    QByteArray taxonName();
    QByteArray heading();
    QByteArray introduction() const;
    std::vector<int> numberDepthFirst() const;
    QByteArray render(const std::vector<int>& numbers) const;
    static qsizetype leadBytes(const Lead& lead);

    QRandomGenerator m_random;
    Language m_language;
    QByteArray m_heading;
    std::vector<Entry> m_entries;
    qsizetype m_estimate = 0;
};

} // namespace keylinker::bench
