#include "KeyGenerator.h"

#include <algorithm>
#include <utility>

namespace keylinker::bench {

namespace {

// Only letters, spaces, commas and semicolons: a lead text must never contain a mark by accident.
constexpr const char* englishParts[] = {
    "pronotum",       "elytra",
    "head",           "antennae",
    "legs",           "tibiae",
    "tarsi",          "eyes",
    "mandibles",      "upper side",
    "underside",      "scutellum",
    "abdomen",        "hind angles of the pronotum",
    "elytral striae", "body",
    "front tibiae",   "last segment of the palps",
};
constexpr const char* englishQualities[] = {
    "black",
    "reddish brown",
    "metallic green",
    "metallic blue",
    "yellow",
    "shining",
    "dull",
    "densely punctate",
    "finely punctate",
    "smooth",
    "with fine hairs",
    "without hairs",
    "distinctly wider than long",
    "longer than wide",
    "strongly convex",
    "flattened",
    "narrowed towards the base",
    "rounded at the sides",
    "with a deep median groove",
    "with two setae on each side",
    "entirely pale",
    "darkened at the apex",
    "as long as the head",
    "slightly longer than the pronotum",
    "sharply angled",
    "with a coarse network of cells",
};
constexpr const char* germanParts[] = {
    "Halsschild",
    "Elytren",
    "Kopf",
    "Antennen",
    "Beine",
    "Schienen",
    "Tarsen",
    "Augen",
    "Mandibeln",
    "Oberseite",
    "Unterseite",
    "Schildchen",
    "Hinterleib",
    "Hinterecken des Halsschildes",
    "Streifen der Elytren",
    "Vorderschienen",
    "Endglied der Taster",
    "Seitenrand des Halsschildes",
};
constexpr const char* germanQualities[] = {
    "schwarz",
    "rotbraun",
    "metallisch blau",
    "gelb",
    "matt",
    "dicht punktiert",
    "fein punktiert",
    "glatt",
    "fein behaart",
    "unbehaart",
    "deutlich breiter als lang",
    "so lang wie breit",
    "stark gewinkelt",
    "flach",
    "zur Basis verengt",
    "an den Seiten gerundet",
    "mit tiefer Mittelfurche",
    "mit zwei Borsten jederseits",
    "einfarbig hell",
    "an der Spitze dunkel",
    "kurz und breit",
    "lang und schlank",
    "grob gerunzelt",
    "vorn gerade abgestutzt",
    "hinten breit gerundet",
    "mit feinen Borsten besetzt",
};
constexpr const char* genera[] = {
    "Carabus",     "Pterostichus", "Amara",      "Harpalus",  "Bembidion", "Agonum",   "Calathus",
    "Nebria",      "Notiophilus",  "Leistus",    "Poecilus",  "Abax",      "Licinus",  "Badister",
    "Dromius",     "Demetrias",    "Trechus",    "Patrobus",  "Elaphrus",  "Loricera", "Clivina",
    "Dyschirius",  "Asaphidion",   "Anchomenus", "Platynus",  "Synuchus",  "Ophonus",  "Acupalpus",
    "Stenolophus", "Chlaenius",    "Oodes",      "Panagaeus", "Brachinus", "Cychrus",  "Calosoma",
};
constexpr const char* epithets[] = {
    "auratus",    "nitens",         "violaceus",        "granulatus", "nemoralis", "coriaceus",  "niger",
    "melanarius", "madidus",        "oblongopunctatus", "similata",   "aenea",     "communis",   "rufipes",
    "affinis",    "latus",          "tardus",           "lampros",    "properans", "femoratum",  "muelleri",
    "fuscipes",   "melanocephalus", "brevicollis",      "biguttatus", "aquaticus", "riparius",   "pilicornis",
    "fossor",     "ruficornis",     "fulvipes",         "gracilis",   "crepitans", "caraboides", "inquisitor",
};
constexpr const char* englishGroups[] = {"ground beetles", "Carabidae", "the Central European Carabinae",
                                         "the Harpalini of the region", "the beetles of the moor"};
constexpr const char* germanGroups[] = {"der Carabidae", "der Carabinae Mitteleuropas",
                                        "der Harpalini des Gebiets", "der Moorbewohner unter den Carabidae"};

template <typename T, std::size_t N> const char* pick(QRandomGenerator& random, const T (&words)[N])
{
    return words[random.bounded(quint32(N))];
}

int digitCount(qsizetype number)
{
    int digits = 1;
    while (number >= 10) {
        number /= 10;
        ++digits;
    }
    return digits;
}

constexpr int shortestLead = 40;
constexpr int longestLead = 90;
// Authors pad the dot leaders of short leads so that the numbers stand roughly in one column.
constexpr int leaderColumn = 78;
constexpr int fewestDots = 3;

const QByteArray lineEnd = QByteArrayLiteral("\r\n");
const QByteArray leadEnd = QByteArrayLiteral("<BR>\r\n");
const QByteArray entryStart = QByteArrayLiteral("<P>#");
const QByteArray alternativeStart = QByteArrayLiteral("- ");
const QByteArray pageEnd = QByteArrayLiteral("</BODY></HTML>\r\n");

} // namespace

KeyGenerator::KeyGenerator(quint32 seed)
    : m_random(seed), m_language((seed & 1u) != 0 ? Language::German : Language::English)
{}

QByteArray KeyGenerator::generate(qsizetype targetBytes)
{
    m_entries.clear();
    m_heading = heading();
    m_estimate = m_heading.size() * 2 + introduction().size() + 64 + pageEnd.size();

    // Leads that still end in a taxon and may yet be turned into a reference to a new entry.
    std::vector<std::pair<int, int>> open;
    auto addOpenLeads = [&](int entry) {
        for (int lead = 0; lead < int(m_entries[std::size_t(entry)].leads.size()); ++lead)
            open.emplace_back(entry, lead);
    };
    addOpenLeads(addEntry());

    // Growing the tree at a randomly chosen open lead gives keys of uneven depth, like real ones.
    while (m_estimate < targetBytes && !open.empty()) {
        const std::size_t chosen = m_random.bounded(quint32(open.size()));
        const auto [parent, leadIndex] = open[chosen];
        open[chosen] = open.back();
        open.pop_back();

        const int child = addEntry();
        Lead& lead = m_entries[std::size_t(parent)].leads[std::size_t(leadIndex)];
        m_estimate += digitCount(child + 1) - lead.taxon.size();
        lead.taxon.clear();
        lead.entry = child;
        addOpenLeads(child);
    }
    return render(numberDepthFirst());
}

int KeyGenerator::addEntry()
{
    Entry entry;
    const int leadCount = m_random.bounded(4u) == 0 ? 3 : 2; // most couplets, some triplets
    const int number = int(m_entries.size()) + 1;
    m_estimate += entryStart.size() + digitCount(number) + 1 + lineEnd.size();
    for (int i = 0; i < leadCount; ++i) {
        Lead lead;
        lead.text = leadText();
        const qsizetype prefix =
            i == 0 ? entryStart.size() + digitCount(number) + 1 : alternativeStart.size();
        lead.dots = int(std::max<qsizetype>(fewestDots, leaderColumn - prefix - lead.text.size() - 1)) +
                    int(m_random.bounded(3u));
        lead.taxon = taxonName();
        if (i > 0)
            m_estimate += alternativeStart.size();
        m_estimate += leadBytes(lead);
        entry.leads.push_back(std::move(lead));
    }
    m_entries.push_back(std::move(entry));
    return int(m_entries.size()) - 1;
}

QByteArray KeyGenerator::leadText()
{
    const bool german = m_language == Language::German;
    for (;;) {
        QByteArray text;
        std::vector<const char*> parts;
        while (text.size() < shortestLead) {
            // A lead names each part of the body once.
            const char* part = german ? pick(m_random, germanParts) : pick(m_random, englishParts);
            if (std::find(parts.begin(), parts.end(), part) != parts.end())
                continue;
            parts.push_back(part);
            if (!text.isEmpty())
                text += m_random.bounded(3u) == 0 ? QByteArrayLiteral("; ") : QByteArrayLiteral(", ");
            text += part;
            text += ' ';
            text += german ? pick(m_random, germanQualities) : pick(m_random, englishQualities);
        }
        if (text.size() <= longestLead) {
            if (text.at(0) >= 'a' && text.at(0) <= 'z')
                text[0] = char(text.at(0) - 'a' + 'A');
            return text;
        }
    }
}

QByteArray KeyGenerator::taxonName()
{
    const bool german = m_language == Language::German;
    const quint32 kind = m_random.bounded(10u);
    QByteArray name;
    if (kind < 2) {
        name = german ? QByteArrayLiteral("Gattung ") : QByteArrayLiteral("Genus ");
        name += pick(m_random, genera);
        return name;
    }
    if (kind < 7)
        name = german ? QByteArrayLiteral("Art ") : QByteArrayLiteral("Species ");
    name += pick(m_random, genera);
    name += ' ';
    name += pick(m_random, epithets);
    return name;
}

QByteArray KeyGenerator::heading()
{
    if (m_language == Language::German)
        return QByteArrayLiteral("Bestimmungstabelle der Gattungen und Arten ") +
               pick(m_random, germanGroups);
    return QByteArrayLiteral("Key to the genera and species of ") + pick(m_random, englishGroups);
}

QByteArray KeyGenerator::introduction() const
{
    return m_language == Language::German
               ? QByteArrayLiteral("Man beginne beim ersten Eintrag und folge jeweils der Aussage, die "
                                   "auf das Tier zutrifft, bis ein Name erreicht ist.")
               : QByteArrayLiteral("Start at the first entry and follow the lead that fits the specimen "
                                   "until a name is reached.");
}

std::vector<int> KeyGenerator::numberDepthFirst() const
{
    // An entry is numbered right after the one that refers to it, before the alternatives of that one,
    // so that each number is greater than the number of the entry that leads to it.
    std::vector<int> numbers(m_entries.size(), 0);
    std::vector<int> pending{0};
    int next = 1;
    while (!pending.empty()) {
        const int entry = pending.back();
        pending.pop_back();
        numbers[std::size_t(entry)] = next++;
        const auto& leads = m_entries[std::size_t(entry)].leads;
        for (auto lead = leads.rbegin(); lead != leads.rend(); ++lead) {
            if (lead->entry >= 0)
                pending.push_back(lead->entry);
        }
    }
    return numbers;
}

QByteArray KeyGenerator::render(const std::vector<int>& numbers) const
{
    std::vector<int> byNumber(m_entries.size(), 0);
    for (std::size_t entry = 0; entry < numbers.size(); ++entry)
        byNumber[std::size_t(numbers[entry] - 1)] = int(entry);

    QByteArray page;
    page.reserve(m_estimate + 1024);
    page += "<HTML><HEAD><TITLE>" + m_heading + "</TITLE></HEAD><BODY>" + lineEnd;
    page += "<H1>" + m_heading + "</H1>" + lineEnd;
    page += "<P>" + introduction() + "</P>" + lineEnd + lineEnd;
    for (const int entryIndex : byNumber) {
        const Entry& entry = m_entries[std::size_t(entryIndex)];
        for (std::size_t i = 0; i < entry.leads.size(); ++i) {
            const Lead& lead = entry.leads[i];
            if (i == 0) {
                page += entryStart;
                page += QByteArray::number(numbers[std::size_t(entryIndex)]);
                page += ' ';
            } else {
                page += alternativeStart;
            }
            page += lead.text;
            page += ' ';
            page += QByteArray(lead.dots, '.');
            page += lead.entry >= 0 ? QByteArray::number(numbers[std::size_t(lead.entry)]) : lead.taxon;
            page += leadEnd;
        }
        page += lineEnd;
    }
    page += pageEnd;
    return page;
}

qsizetype KeyGenerator::leadBytes(const Lead& lead)
{
    return lead.text.size() + 1 + lead.dots + lead.taxon.size() + leadEnd.size();
}

} // namespace keylinker::bench
