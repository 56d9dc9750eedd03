#include "KeyStatistics.h"

#include <cmath>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "EntryIndex.h"
#include "KeyCheck.h"
#include "KeyReader.h"

namespace keylinker {
namespace {

std::string_view viewOf(const QByteArray& bytes)
{
    return {bytes.constData(), static_cast<size_t>(bytes.size())};
}

QString decimal(double value, Language language)
{
    QString shown = QString::number(value, 'f', 2);
    if (language == Language::German)
        shown.replace(u'.', u',');
    return shown;
}

} // namespace

KeyStatistics KeyStatistics::of(const KeyStructure& key)
{
    KeyStatistics figures;
    figures.entries = key.entries.size();
    const EntryIndex index(key);
    std::unordered_map<QByteArray, int> taxa;
    for (const KeyEntry& entry : key.entries) {
        figures.leads += entry.leads.size();
        for (const KeyLead& lead : entry.leads) {
            if (lead.target == KeyLead::Target::Taxon) {
                ++figures.taxonLeads;
                if (++taxa[KeyReader::plainName(lead.name)] == 2)
                    ++figures.repeatedTaxa;
            }
        }
    }
    figures.distinctTaxa = static_cast<qsizetype>(taxa.size());
    if (key.entries.isEmpty())
        return figures;

    // Breadth first from the first entry: each entry is passed on its shortest way, and a lead back
    // to an entry already reached (a loop, or a second way) is not followed again.
    std::vector<int> depth(static_cast<size_t>(key.entries.size()), 0);
    std::vector<int> queue{0};
    depth[0] = 1;
    qsizetype waysToTaxa = 0;
    double waySum = 0;
    for (size_t next = 0; next < queue.size(); ++next) {
        const int entry = queue[next];
        for (const KeyLead& lead : key.entries[entry].leads) {
            if (lead.target == KeyLead::Target::Taxon) {
                ++waysToTaxa;
                waySum += depth[entry];
                figures.longestWay = std::max(figures.longestWay, depth[entry]);
                continue;
            }
            const int target = index.firstEntry(viewOf(lead.name));
            if (target >= 0 && depth[static_cast<size_t>(target)] == 0) {
                depth[static_cast<size_t>(target)] = depth[entry] + 1;
                queue.push_back(target);
            }
        }
    }
    // The check tells a loop from two ways that join, which the walk above cannot.
    using Kind = KeyFinding::Kind;
    const KeyCheckResult check = checkKey(key, CheckScope::StructureErrors);
    for (const Kind kind : {Kind::Loop, Kind::MissingEntry, Kind::UnreachedEntry, Kind::DuplicateEntry,
                            Kind::ReferenceBeforeFirstEntry})
        figures.partial = figures.partial || check.count(kind) > 0;
    if (waysToTaxa > 0)
        figures.meanWay = waySum / static_cast<double>(waysToTaxa);
    figures.balance = waysToTaxa > 1 ? figures.meanWay / std::log2(static_cast<double>(waysToTaxa)) : 1.0;
    return figures;
}

QString KeyStatistics::text(Language language) const
{
    // A count of one takes the singular: "1 Eintrag", not "1 Einträge".
    const auto counted = [language](qsizetype count, BilingualText one, BilingualText many) {
        return (count == 1 ? one : many).in(language).arg(count);
    };
    QString line =
        BilingualText{"%1, %2, %3 (%4, %5 mehrfach), längster Weg %6, mittlerer Weg %7, Ausgewogenheit %8",
                      "%1, %2, %3 (%4, %5 more than once), longest way %6, mean way %7, balance %8"}
            .in(language);
    line =
        line.arg(counted(entries, {"1 Eintrag", "1 entry"}, {"%1 Einträge", "%1 entries"}),
                 counted(leads, {"1 Alternative", "1 lead"}, {"%1 Alternativen", "%1 leads"}),
                 counted(taxonLeads, {"1 endet in einem Taxon", "1 ends in a taxon"},
                         {"%1 enden in einem Taxon", "%1 end in a taxon"}),
                 counted(distinctTaxa, {"1 verschiedenes", "1 distinct"}, {"%1 verschiedene", "%1 distinct"}),
                 QString::number(repeatedTaxa), QString::number(longestWay), decimal(meanWay, language),
                 decimal(balance, language));
    if (partial)
        line += BilingualText{" (Wege nur im erreichbaren Teil ohne Schleifen)",
                              " (ways only in the reachable part without loops)"}
                    .in(language);
    return line;
}

QJsonObject KeyStatistics::toJson() const
{
    return {{QStringLiteral("entries"), entries},
            {QStringLiteral("leads"), leads},
            {QStringLiteral("taxonLeads"), taxonLeads},
            {QStringLiteral("distinctTaxa"), distinctTaxa},
            {QStringLiteral("repeatedTaxa"), repeatedTaxa},
            {QStringLiteral("longestWay"), longestWay},
            {QStringLiteral("meanWay"), meanWay},
            {QStringLiteral("balance"), balance},
            {QStringLiteral("partial"), partial}};
}

} // namespace keylinker
