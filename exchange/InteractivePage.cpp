#include "InteractivePage.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include <QHash>
#include <QString>

#include "InlineMarkup.h"
#include "KeyText.h"

namespace keylinker::player {
// The page's skeleton, script and style (exchange/player/), built in by exchange/CMakeLists.txt.
extern const char page[];
extern const char script[];
extern const char style[];
} // namespace keylinker::player

namespace keylinker {
namespace {

/// The texts of the page by the names of their places in the skeleton, in both languages side by side.
struct PageText
{
    const char* name;
    BilingualText text;
};

constexpr PageText pageTexts[] = {
    {"language", {"de", "en"}},
    {"identify", {"Bestimmen", "Identify"}},
    {"keys",
     {"Tasten: 1–9 wählen, Rücktaste geht einen Schritt zurück, Pos1 fängt von vorn an.",
      "Keys: 1–9 choose, Backspace goes one step back, Home starts over."}},
    {"back", {"Zurück", "Back"}},
    {"restart", {"Von vorn", "Start over"}},
    {"wholeKey", {"Ganzer Schlüssel", "Whole key"}},
    {"path", {"Bisheriger Weg", "Path so far"}},
    {"nothingChosen", {"Noch nichts gewählt.", "Nothing chosen yet."}},
    {"result", {"Ergebnis", "Result"}},
    {"way", {"Der Weg dorthin", "The way there"}},
    {"taxa", {"Taxa", "Taxa"}},
    {"remaining", {"Verbleibende Taxa", "Remaining taxa"}},
    {"discarded", {"Ausgeschiedene Taxa", "Discarded taxa"}},
    {"filter", {"Nur diese Taxa bestimmen", "Identify only these taxa"}},
    {"filterFind", {"Taxon suchen", "Find a taxon"}},
    {"filterClear", {"Alle Taxa", "All taxa"}},
    {"layout", {"Darstellung", "Layout"}},
    {"bracketed", {"Klammerschlüssel", "Bracketed"}},
    {"indented", {"Eingerückt", "Indented"}},
    {"entry", {"Eintrag", "Entry"}},
    {"from", {"von", "from"}},
    {"missing", {"Der Schlüssel hat keinen Eintrag %1.", "The key has no entry %1."}},
    {"skipped", {"übersprungen", "skipped"}},
    {"see", {"siehe", "see"}},
    {"showIntroduction", {"Einleitung anzeigen", "Show introduction"}},
};

// An introduction with more text than this (in bytes) is folded: on a phone it would push the first
// couplet off the first screen.
constexpr qsizetype foldedIntroduction = 280;

/// The skeleton with each `{{name}}` replaced by the value of that name; a name without one stays.
QByteArray filled(QByteArrayView skeleton, const QList<std::pair<QByteArrayView, QByteArray>>& values,
                  qsizetype size)
{
    QByteArray page;
    page.reserve(size);
    qsizetype at = 0;
    for (qsizetype open = skeleton.indexOf("{{"); open >= 0; open = skeleton.indexOf("{{", at)) {
        const qsizetype close = skeleton.indexOf("}}", open);
        if (close < 0)
            break;
        page += skeleton.sliced(at, open - at);
        const QByteArrayView name = skeleton.sliced(open + 2, close - open - 2);
        const auto value = std::find_if(values.begin(), values.end(),
                                        [name](const auto& named) { return named.first == name; });
        page +=
            value != values.end() ? QByteArrayView(value->second) : skeleton.sliced(open, close + 2 - open);
        at = close + 2;
    }
    page += skeleton.sliced(at);
    return page;
}

// Plain text as HTML text or as an attribute value in double quotes.
QByteArray escaped(const QByteArray& text)
{
    return QString::fromUtf8(text).toHtmlEscaped().toUtf8();
}

bool isPlainNumber(const QByteArray& number)
{
    if (number.isEmpty())
        return false;
    for (const char c : number) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return false;
    }
    return true;
}

// The whole key as a bracketed key: each couplet a division under its id, its first lead labelled with
// its number and the numbers it is reached from, the others with a dash, each lead ending in its
// target: a link to a couplet, a taxon (`data-t`, its place in the list of taxa) or a missing entry.
QByteArray bracketedKey(const InteractiveKey& key, const QList<QByteArray>& ids)
{
    QByteArray html;
    html.reserve(key.couplets.size() * 256);
    const auto link = [&html, &ids](qsizetype couplet, const QByteArray& text) {
        html += "<a href=#";
        html += ids.at(couplet);
        html += '>';
        html += text;
        html += "</a>";
    };
    QByteArray section;
    for (qsizetype at = 0; at < key.couplets.size(); ++at) {
        const InteractiveKey::Couplet& couplet = key.couplets.at(at);
        if (couplet.section != section) {
            section = couplet.section;
            html += "<h3>" + InlineMarkup::forDisplay(InlineMarkup::toPage(section)) + "</h3>\n";
        }
        html += "<div class=e id=";
        html += ids.at(at);
        html += "><p><span class=l>";
        link(at, couplet.number);
        for (qsizetype from = 0; from < couplet.reachedFrom.size(); ++from) {
            html += from == 0 ? "(" : ", ";
            link(couplet.reachedFrom.at(from), key.couplets.at(couplet.reachedFrom.at(from)).number);
        }
        html += couplet.reachedFrom.isEmpty() ? "</span>" : ")</span>";
        for (qsizetype lead = 0; lead < couplet.leads.size(); ++lead) {
            const InteractiveKey::Lead& shown = couplet.leads.at(lead);
            html += lead == 0 ? " " : "\n<p><span class=l>\u2013</span> ";
            html += shown.html;
            if (!shown.html.isEmpty())
                html += ' ';
            switch (shown.target) {
            case InteractiveKey::Lead::Target::Couplet:
                link(shown.index, shown.shown);
                break;
            case InteractiveKey::Lead::Target::Taxon:
                html += "<b data-t=";
                html += QByteArray::number(shown.index);
                html += '>';
                html += shown.shown;
                html += "</b>";
                break;
            case InteractiveKey::Lead::Target::Missing:
                html += "<s>";
                html += shown.shown;
                html += "</s>";
                break;
            }
        }
        html += "</div>\n";
    }
    return html;
}

// A lead's text as it stands inside the lead, which is a link itself and so holds no other: each of
// the author's links a marked word that the script opens beside the page.
QByteArray insideLead(QByteArray html)
{
    if (!html.contains("<a href=\""))
        return html;
    return html.replace("<a href=\"", "<span class=\"ext\" data-href=\"")
        .replace("\" target=\"_blank\" rel=\"noopener\">", "\">")
        .replace("</a>", "</span>");
}

// The first couplet as the script draws it, so that it stands before the rest of the page has
// arrived and the script takes over without a change.
QByteArray firstCouplet(const InteractiveKey& key, const QByteArray& entry, const QByteArray& from)
{
    if (key.couplets.isEmpty())
        return {};
    const InteractiveKey::Couplet& couplet = key.couplets.front();
    QByteArray html = "<h2 id=couplet-title>" + entry + ' ' + couplet.number;
    for (qsizetype at = 0; at < couplet.reachedFrom.size(); ++at) {
        html += at == 0 ? " <small>(" + from + ' ' : QByteArray(", ");
        html += key.couplets.at(couplet.reachedFrom.at(at)).number;
    }
    html += couplet.reachedFrom.isEmpty() ? "</h2><ol class=leads>" : ")</small></h2><ol class=leads>";
    for (qsizetype at = 0; at < couplet.leads.size(); ++at) {
        const QByteArray step = QByteArray::number(at + 1);
        html += "<li><a class=\"lead\" href=\"#" + step + "\">";
        if (at < 9)
            html += "<kbd aria-hidden=true>" + step + "</kbd>";
        html += "<span class=s>" + insideLead(couplet.leads.at(at).html) + "</span><span class=to>\u2192 " +
                insideLead(couplet.leads.at(at).shown) + "</span></a></li>";
    }
    return html + "</ol>";
}

// The introduction's paragraphs, folded under `summary` when long.
QByteArray introductionOf(const InteractiveKey& key, const QByteArray& summary)
{
    QByteArray html;
    qsizetype letters = 0;
    for (const QByteArray& paragraph : key.introduction) {
        html += "<p>" + paragraph + "</p>\n";
        letters += InlineMarkup::toPlain(paragraph).size();
    }
    if (letters <= foldedIntroduction)
        return html;
    return "<details id=introduction><summary>" + summary + "</summary>\n" + html + "</details>\n";
}

} // namespace

QList<QByteArray> InteractivePage::coupletIds(const InteractiveKey& key)
{
    QHash<QByteArray, int> uses;
    uses.reserve(key.couplets.size());
    for (const InteractiveKey::Couplet& couplet : key.couplets)
        ++uses[couplet.number];
    QList<QByteArray> ids;
    ids.reserve(key.couplets.size());
    for (qsizetype at = 0; at < key.couplets.size(); ++at) {
        const QByteArray& number = key.couplets.at(at).number;
        ids << (isPlainNumber(number) && uses.value(number) == 1 ? 'e' + number
                                                                 : 'x' + QByteArray::number(at + 1));
    }
    return ids;
}

QByteArray InteractivePage::write(const InteractiveKey& key, Language language, const QByteArray& title,
                                  const QByteArray& source)
{
    QList<std::pair<QByteArrayView, QByteArray>> values;
    QHash<QByteArrayView, QByteArray> texts;
    for (const PageText& text : pageTexts) {
        values.append({text.name, escaped(text.text.in(language).toUtf8())});
        texts.insert(text.name, values.back().second);
    }
    const QByteArray introduction = introductionOf(key, texts.value("showIntroduction"));
    const QByteArray couplet = firstCouplet(key, texts.value("entry"), texts.value("from"));
    const QByteArray bracketed = bracketedKey(key, coupletIds(key));
    values.append({"title", escaped(key.title.isEmpty() ? title : key.title)});
    values.append({"introduction", introduction});
    values.append({"couplet", couplet});
    values.append({"generator", GeneratedPage::metaElement(source)});
    values.append({"key", bracketed});
    values.append({"style", QByteArray(player::style)});
    values.append({"script", QByteArray(player::script)});
    const qsizetype assets = qsizetype(strlen(player::page) + strlen(player::style) + strlen(player::script));
    // An array of unknown bound: clang does not make a view of it by itself.
    return filled(QByteArrayView(player::page, qsizetype(strlen(player::page))), values,
                  assets + introduction.size() + couplet.size() + bracketed.size() + 1024);
}

} // namespace keylinker
