#include "CommandLineTool.h"

#include <cerrno>
#include <functional>
#include <new>
#include <optional>
#include <utility>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QIODevice>

#include "AuthoringCommands.h"
#include "DirectoryWalk.h"
#include "ExchangeCommands.h"
#include "FileNamePattern.h"
#include "FilePlatform.h"
#include "FinderPlatform.h"
#include "FoundListModel.h"
#include "KeyFileMessages.h"
#include "KeyFileStore.h"
#include "KeyRewrite.h"
#include "KeyText.h"
#include "MessageLine.h"
#include "NativePath.h"
#include "OutputChannel.h"

namespace keylinker {
namespace {

const QString programName = QStringLiteral("keylinker-cli");

// The window's pattern box holds this at start.
const QString defaultPattern = QStringLiteral("*.htm;*.html;*.htm_bak*;*.html_bak*");

/// An option of the command line, by its name without dashes; with a `valueName` it takes a value
/// and may be given once.
struct Option
{
    QString name;
    QString valueName;
};

const QList<Option> options = {
    {QStringLiteral("english"), {}},
    {QStringLiteral("help"), {}},
    {QStringLiteral("version"), {}},
    {QStringLiteral("print"), {}},
    {QStringLiteral("check"), {}},
    {QStringLiteral("strict"), {}},
    {QStringLiteral("renumber"), {}},
    {QStringLiteral("relink"), {}},
    {QStringLiteral("stats"), {}},
    {QStringLiteral("json"), {}},
    {QStringLiteral("find"), QStringLiteral("DIR")},
    {QStringLiteral("pattern"), QStringLiteral("P")},
    {QStringLiteral("print0"), {}},
    {QStringLiteral("0"), {}},
    {QStringLiteral("import"), {}},
    {QStringLiteral("o"), QStringLiteral("OUT")},
    {QStringLiteral("title"), QStringLiteral("TEXT")},
    {QStringLiteral("export"), QStringLiteral("FORMAT")},
    {QStringLiteral("no-header"), {}},
    {QStringLiteral("layout"), QStringLiteral("LAYOUT")},
    {QStringLiteral("paper"), QStringLiteral("PAPER")},
};

// Options every mode takes.
const QStringList commonOptions = {QStringLiteral("english"), QStringLiteral("help"),
                                   QStringLiteral("version")};

/// An option as it is written on the command line: "-o", "--title".
QString shown(const QString& name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

bool takesValue(const QString& name)
{
    for (const Option& option : options) {
        if (option.name == name)
            return !option.valueName.isEmpty();
    }
    return false;
}

/// What was wrong with a call, in both languages side by side.
struct UsageTexts
{
    QString unknownOption;
    QString needsValue;
    QString takesNoValue;
    QString givenTwice;
    QString notTogether;
    QString notWithMode;
    QString goesWith;
    QString either;
    QString noFile;
    QString oneFile;
    QString noFileAllowed;
    QString exportFormats;
    QString patternRefused;
};

UsageTexts usageTexts(Language language)
{
    const auto text = [language](const char* german, const char* english) {
        return BilingualText{german, english}.in(language);
    };
    return {
        .unknownOption = text("unbekannte Option %1", "unknown option %1"),
        .needsValue = text("%1 braucht einen Wert", "%1 needs a value"),
        .takesNoValue = text("%1 nimmt keinen Wert", "%1 takes no value"),
        .givenTwice = text("%1 ist zweimal angegeben", "%1 given twice"),
        .notTogether = text("%1 und %2 gehen nicht zusammen", "%1 and %2 cannot be combined"),
        .notWithMode = text("%1 passt nicht zu %2", "%1 does not go with %2"),
        .goesWith = text("%1 gehört zu %2", "%1 goes with %2"),
        .either = text(" oder ", " or "),
        .noFile = text("keine Datei angegeben", "no file given"),
        .oneFile = text("%1 nimmt genau eine Datei", "%1 takes exactly one file"),
        .noFileAllowed = text("%1 nimmt keine Datei", "%1 takes no file"),
        .exportFormats = text("--export nimmt keybase, text, dot, interactive, pdf, rtf oder latex",
                              "--export takes keybase, text, dot, interactive, pdf, rtf or latex"),
        .patternRefused = text("Muster abgelehnt: %1", "pattern refused: %1"),
    };
}

enum class Files { none, one, many };

/// One way to call a mode, for the usage line and --help.
struct Form
{
    QString synopsis;
    QString text;
};

/// What a mode gets of its command line.
struct Call
{
    const QCommandLineParser& parser;
    const QStringList& files;

    QString value(const QString& name) const { return parser.value(name); }
    bool isSet(const QString& name) const { return parser.isSet(name); }
};

const QString helpIntro =
    QStringLiteral("keylinker-cli: links the marks of hand-written determination keys (HTML pages).\n\n");

const QString helpClosing = QStringLiteral(
    "  --english                              messages in English (default: German)\n"
    "  --help, --version\n"
    "  --                                     end of the options: every argument after it is a file,\n"
    "                                         even one that begins with \"-\"\n"
    "\n"
    "Each message goes to standard error as one line, \"FILE: message\" (a structure error as\n"
    "\"FILE:LINE: message\"); a control character in a file name is written as \\n, \\t, \\x1b ....\n"
    "--check and --renumber list at most 1,000 findings per file, then one line with how many more\n"
    "there were. --import and --export refuse a file larger than 256 MB before reading it.\n"
    "Exit status: 0 every file processed (with --check: no error, or with --strict no finding; with\n"
    "--find: the search went through), 1 a file ended with a message (with --check: an error was found,\n"
    "with --strict any finding, or a file could not be read; with --find: DIR could not be opened,\n"
    "files lay too deep to be read, or the list filled up at 32,767 files), 2 bad usage.\n");

// Where the text of a form starts in --help.
constexpr qsizetype helpColumn = 41;

} // namespace

/// A mode: the option that chooses it (none for processing), the further options it takes, the files
/// it wants, how it is called and how it runs.
struct CommandLineTool::Mode
{
    QString option;
    QStringList options;
    Files files;
    QList<Form> forms;
    std::function<ExitStatus(CommandLineTool&, const Call&)> run;
};

const QList<CommandLineTool::Mode>& CommandLineTool::modes()
{
    const auto authoring = [](CommandLineTool& tool) {
        return AuthoringCommands(tool.m_out, tool.m_err, tool.m_store, tool.m_language);
    };
    const auto exchange = [](CommandLineTool& tool) {
        return ExchangeCommands(tool.m_out, tool.m_err, tool.m_language);
    };
    static const QList<Mode> table = {
        {{},
         {QStringLiteral("print")},
         Files::many,
         {{QStringLiteral("FILE..."),
           QStringLiteral("process each key file: keep an exact copy under the first\n"
                          "free backup name (FILE_bak0, FILE_bak1, ...), then turn\n"
                          "every \"#12\" into an anchor and every \"....12\" into a link")},
          {QStringLiteral("--print FILE"),
           QStringLiteral("write the processed key to standard output, change nothing")}},
         [authoring](CommandLineTool& tool, const Call& call) {
             return call.isSet(QStringLiteral("print")) ? tool.printRewritten(call.files.front())
                                                        : authoring(tool).process(call.files);
         }},
        {QStringLiteral("check"),
         {QStringLiteral("strict")},
         Files::many,
         {{QStringLiteral("--check [--strict] FILE..."),
           QStringLiteral("check each key as a compiler checks a program, change\n"
                          "nothing: one line \"FILE:LINE:COLUMN: error: text\" or\n"
                          "\"FILE:LINE:COLUMN: warning: text\" on standard output per\n"
                          "finding (German \"Fehler\"/\"Warnung\"); --strict makes\n"
                          "warnings count for the exit status")}},
         [authoring](CommandLineTool& tool, const Call& call) {
             return authoring(tool).check(call.files, call.isSet(QStringLiteral("strict")));
         }},
        {QStringLiteral("renumber"),
         {QStringLiteral("print")},
         Files::many,
         {{QStringLiteral("--renumber FILE..."),
           QStringLiteral("give the entries of each key the numbers 1, 2, 3 ... in\n"
                          "file order, with every reference, link and lead label\n"
                          "(\"1*\", \"1a\", \"1.\"); backup first as in processing;\n"
                          "duplicate or non-decimal entry numbers refuse")},
          {QStringLiteral("--renumber --print FILE"),
           QStringLiteral("write the renumbered key to standard output")}},
         [authoring](CommandLineTool& tool, const Call& call) {
             return call.isSet(QStringLiteral("print")) ? authoring(tool).printRenumbered(call.files.front())
                                                        : authoring(tool).renumber(call.files);
         }},
        {QStringLiteral("relink"),
         {},
         Files::many,
         {{QStringLiteral("--relink FILE..."),
           QStringLiteral("remove every back link of each key and make them anew,\n"
                          "keeping a backup as in processing; forward links and\n"
                          "anchors stay byte for byte")}},
         [authoring](CommandLineTool& tool, const Call& call) { return authoring(tool).relink(call.files); }},
        {QStringLiteral("stats"),
         {QStringLiteral("json")},
         Files::many,
         {{QStringLiteral("--stats [--json] FILE..."),
           QStringLiteral("figures of each key: entries, leads, taxa, the longest\n"
                          "and the mean way from the first entry to a taxon, and\n"
                          "the balance (1.0 for a perfectly balanced key); with\n"
                          "--json one JSON object per file and line")}},
         [authoring](CommandLineTool& tool, const Call& call) {
             return authoring(tool).statistics(call.files, call.isSet(QStringLiteral("json")));
         }},
        {QStringLiteral("find"),
         {QStringLiteral("pattern"), QStringLiteral("print0"), QStringLiteral("0")},
         Files::none,
         {{QStringLiteral("--find DIR [--pattern P] [-0|--print0]"),
           QStringLiteral("list the files in DIR and every folder below it that\n"
                          "match P, as the window's search finds them: one full path\n"
                          "per line, in the same order, a control character in a\n"
                          "name escaped; with -0 each path as it is and ended by a\n"
                          "NUL byte, as find -print0 writes them; P as in the\n"
                          "window's pattern box (default\n"
                          "\"*.htm;*.html;*.htm_bak*;*.html_bak*\")")}},
         [](CommandLineTool& tool, const Call& call) {
             const QString pattern = QStringLiteral("pattern");
             return tool.findFiles(call.value(QStringLiteral("find")),
                                   call.isSet(pattern) ? call.value(pattern) : defaultPattern,
                                   call.isSet(QStringLiteral("print0")) || call.isSet(QStringLiteral("0")));
         }},
        {QStringLiteral("import"),
         {QStringLiteral("o"), QStringLiteral("title")},
         Files::one,
         {{QStringLiteral("--import FILE [-o OUT.htm] [--title TEXT]"),
           QStringLiteral("read a key table (KeyBase or Lucid CSV, TSV) or a text\n"
                          "key and write an unprocessed HTML key with marks to\n"
                          "standard output, or to the new file OUT.htm")}},
         [exchange](CommandLineTool& tool, const Call& call) {
             const QString file = call.files.front();
             const QString title = QStringLiteral("title");
             return exchange(tool).importKey(file, call.value(QStringLiteral("o")),
                                             call.isSet(title) ? call.value(title)
                                                               : QFileInfo(file).completeBaseName());
         }},
        {QStringLiteral("export"),
         {QStringLiteral("no-header"), QStringLiteral("o"), QStringLiteral("layout"),
          QStringLiteral("paper")},
         Files::one,
         {{QStringLiteral("--export keybase|text|dot|interactive [--no-header] FILE [-o OUT]"),
           QStringLiteral("write a key as a KeyBase table, a flora's text, a\n"
                          "Graphviz graph or a page that steps readers through it,\n"
                          "to standard output or the new file OUT")},
          {QStringLiteral(
               "--export pdf|rtf|latex [--layout bracketed|indented] [--paper a4|letter] FILE [-o OUT]"),
           QStringLiteral("print a key for a journal or a field guide, bracketed\n"
                          "(default) or indented, on A4 (default) or US letter\n"
                          "paper: a PDF to the new file OUT (-o is needed), RTF\n"
                          "or LaTeX to standard output or the new file OUT")}},
         [exchange](CommandLineTool& tool, const Call& call) {
             const QString format = call.value(QStringLiteral("export"));
             if (!ExchangeCommands::exportFormats().contains(format))
                 return tool.usageError(usageTexts(tool.m_language).exportFormats);
             const auto given = [&call](const QString& name) {
                 return call.isSet(name) ? std::optional<QString>(call.value(name)) : std::nullopt;
             };
             const QString output = call.value(QStringLiteral("o"));
             ExportSettings settings;
             settings.header = !call.isSet(QStringLiteral("no-header"));
             const QString problem = ExchangeCommands::readExportOptions(
                 format, given(QStringLiteral("layout")), given(QStringLiteral("paper")), !output.isEmpty(),
                 tool.m_language, settings);
             if (!problem.isEmpty())
                 return tool.usageError(problem);
             return exchange(tool).exportKey(format, call.files.front(), output, settings);
         }},
    };
    return table;
}

CommandLineTool::CommandLineTool(QIODevice& out, QIODevice& err)
    : m_out(out), m_err(err), m_ownStore(std::make_unique<DiskKeyFileStore>()), m_store(*m_ownStore)
{}

CommandLineTool::CommandLineTool(QIODevice& out, QIODevice& err, KeyFileStore& store)
    : m_out(out), m_err(err), m_store(store)
{}

CommandLineTool::~CommandLineTool() = default;

ExitStatus CommandLineTool::run(const QStringList& arguments)
{
    // Every file of a run catches memory running out itself; this is for what lies between them.
    try {
        return runArguments(arguments);
    } catch (const std::bad_alloc&) {
        m_err.write(messageLine(programName, KeyFileMessages::of(m_language).tooBig));
        return exitMessage;
    }
}

ExitStatus CommandLineTool::runArguments(const QStringList& arguments)
{
    // parse() rather than process(): the messages and exit statuses of a wrong call are the tool's.
    QCommandLineParser parser;
    for (const Option& option : options)
        parser.addOption(QCommandLineOption(option.name, QString(), option.valueName));
    const bool parsed = parser.parse(QStringList{programName} + arguments);
    m_language = parser.isSet(QStringLiteral("english")) ? Language::English : Language::German;
    if (parser.isSet(QStringLiteral("help"))) {
        QString help = helpIntro;
        for (const Mode& mode : modes()) {
            for (const Form& form : mode.forms) {
                const QString call = QStringLiteral("  keylinker-cli [--english] ") + form.synopsis;
                const QString indent(helpColumn, u' ');
                help += call.size() < helpColumn ? call.leftJustified(helpColumn) : call + u'\n' + indent;
                help += QString(form.text).replace(u'\n', u'\n' + indent) + u'\n';
            }
        }
        m_out.write((help + helpClosing).toLocal8Bit());
        return exitOk;
    }
    if (!parsed)
        return parseError(parser, arguments);
    if (parser.isSet(QStringLiteral("version"))) {
        writeLine(m_out, programName + QStringLiteral(" " KEYLINKER_VERSION));
        return exitOk;
    }

    const UsageTexts texts = usageTexts(m_language);
    for (const Option& option : options) {
        if (!option.valueName.isEmpty() && parser.values(option.name).size() > 1)
            return usageError(texts.givenTwice.arg(shown(option.name)));
    }
    const Mode* mode = &modes().front(); // processing, chosen by no option
    for (const Mode& candidate : modes()) {
        if (candidate.option.isEmpty() || !parser.isSet(candidate.option))
            continue;
        if (!mode->option.isEmpty())
            return usageError(texts.notTogether.arg(shown(mode->option), shown(candidate.option)));
        mode = &candidate;
    }
    for (const QString& name : parser.optionNames()) {
        if (name == mode->option || commonOptions.contains(name) || mode->options.contains(name))
            continue;
        if (!mode->option.isEmpty())
            return usageError(texts.notWithMode.arg(shown(name), shown(mode->option)));
        QStringList takers;
        for (const Mode& other : modes()) {
            if (other.options.contains(name))
                takers << shown(other.option);
        }
        return usageError(texts.goesWith.arg(shown(name), takers.join(texts.either)));
    }

    const QStringList files = parser.positionalArguments();
    if (mode->files == Files::none && !files.isEmpty())
        return usageError(texts.noFileAllowed.arg(shown(mode->option)));
    if (mode->files != Files::none && files.isEmpty())
        return usageError(texts.noFile);
    if (mode->files == Files::one && files.size() != 1)
        return usageError(texts.oneFile.arg(shown(mode->option)));
    if (parser.isSet(QStringLiteral("print")) && files.size() != 1)
        return usageError(texts.oneFile.arg(shown(QStringLiteral("print"))));
    return mode->run(*this, {parser, files});
}

ExitStatus CommandLineTool::parseError(const QCommandLineParser& parser, const QStringList& arguments)
{
    const UsageTexts texts = usageTexts(m_language);
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty())
        return usageError(texts.unknownOption.arg(shown(unknown.front())));
    const QStringList given = parser.optionNames();
    for (const Option& option : options) {
        if (!option.valueName.isEmpty() && given.count(option.name) > parser.values(option.name).size())
            return usageError(texts.needsValue.arg(shown(option.name)));
    }
    // All that is left: a value for an option that takes none ("--json=yes").
    QString option;
    for (const QString& argument : arguments) {
        if (argument == u"--")
            break;
        const QString name = argument.section(u'=', 0, 0).mid(2);
        if (argument.startsWith(u"--") && argument.contains(u'=') && given.contains(name) &&
            !takesValue(name)) {
            option = shown(name);
            break;
        }
    }
    return usageError(texts.takesNoValue.arg(option));
}

ExitStatus CommandLineTool::printRewritten(const QString& file)
{
    const KeyFileMessages messages = KeyFileMessages::of(m_language);
    const bool ok = withinMemory(m_err, file, m_language, [&] {
        QByteArray content;
        FileAccess access;
        FileError error;
        DiskKeyFileStore store;
        KeyText key;
        if (store.read(file, content, access, error)) {
            key = KeyText::decode(content);
            if (!key.readable())
                error = {.code = FileError::notText, .textForm = static_cast<int>(key.encoding)};
        }
        if (error.code != 0) {
            m_err.write(messageLine(file, messages.failureText(error, file)));
            return false;
        }
        content = QByteArray();
        // In the encoding the key is saved in, as processing would write it.
        const RewriteResult result = verknuepfen(std::exchange(key.text, QByteArray()));
        switch (result.outcome) {
        case RewriteResult::Outcome::Rewritten:
            m_out.write(KeyText::encode(result.text, key.encoding));
            return true;
        case RewriteResult::Outcome::StructureError:
            m_err.write(messageLine(file, messages.structureErrorAt(QString::fromUtf8(result.errorLead)),
                                    result.errorLine));
            return false;
        case RewriteResult::Outcome::TooBig:
            m_err.write(messageLine(file, messages.failureText({FileError::tooBig}, file)));
            return false;
        case RewriteResult::Outcome::InvalidArgument:
            break;
        }
        m_err.write(messageLine(file, messages.invalidArgument));
        return false;
    });
    return ok ? exitOk : exitMessage;
}

ExitStatus CommandLineTool::findFiles(const QString& folder, const QString& pattern, bool nulEnded)
{
    // The window's walk, so that the lines are the found list the window would show.
    const FileNamePattern filePattern(pattern);
    if (!filePattern.isValid())
        return usageError(usageTexts(m_language).patternRefused.arg(pattern));

    // One write for the whole list: a line at a time would cost a system call per file. Each path in
    // its own bytes, so that a name that is not UTF-8 can be used as printed; a line feed in a name
    // would make two lines of it, so control characters are escaped unless NULs end the paths.
    QByteArray lines;
    int count = 0;
    bool full = false;
    WalkHooks hooks;
    hooks.found = [&](const QString& path) {
        // As many as the window's found list takes.
        if (count == FoundListModel::maxEntries) {
            full = true;
            return;
        }
        ++count;
        if (nulEnded) {
            lines += toNativePath(path);
            lines += '\0';
        } else {
            lines += printablePath(path);
            lines += '\n';
        }
    };
    hooks.goOn = [&full] { return !full; };
    const QString start = FinderPlatform::absoluteCleanPath(folder);
    DirectoryWalk walk(filePattern, std::move(hooks));
    if (start.isEmpty() || walk.run(start) == DirectoryWalk::End::StartUnreadable) {
        QString reason = FinderPlatform::folderError(start);
        if (reason.isEmpty()) // it could be opened but not read through
            reason = qt_error_string(EIO);
        m_err.write(messageLine(folder, reason));
        return exitMessage;
    }
    m_out.write(lines);
    // Said at the end, after every path that could be listed.
    if (walk.tooDeep() > 0) {
        m_err.write(messageLine(folder, KeyFileMessages::of(m_language).tooDeep.arg(walk.tooDeep())));
        return exitMessage;
    }
    if (full) {
        m_err.write(messageLine(folder, KeyFileMessages::of(m_language).listFull));
        return exitMessage;
    }
    return exitOk;
}

ExitStatus CommandLineTool::usageError(const QString& problem)
{
    writeLine(m_err, programName + QStringLiteral(": ") + problem);
    QString usage = QStringLiteral("usage: ");
    const QString indent(usage.size(), u' ');
    for (const Mode& mode : modes()) {
        for (const Form& form : mode.forms)
            usage += programName + QStringLiteral(" [--english] ") + form.synopsis + u'\n' + indent;
    }
    m_err.write((usage + programName + QStringLiteral(" --help | --version\n")).toLocal8Bit());
    return exitUsage;
}

ExitStatus CommandLineTool::outputFailed(int error)
{
    if (error != EPIPE) {
        const QString cause = KeyFileMessages::of(m_language).failureText({error}, QString());
        writeLine(m_err, programName + QStringLiteral(": ") +
                             BilingualText{"die Ausgabe kann nicht geschrieben werden: %1",
                                           "cannot write the output: %1"}
                                 .in(m_language)
                                 .arg(cause));
    }
    return exitMessage;
}

void CommandLineTool::writeLine(QIODevice& device, const QString& line)
{
    device.write(line.toLocal8Bit() + '\n');
}

int runCommandLineProgram(int argc, char* argv[], KeyFileStore& store)
{
    // Qt takes its own options (-qmljsdebugger=...) out of the arguments it is given, even after
    // "--": it gets the program's name alone, and every argument is the tool's.
    // Before anything opens a file that could take the number of a closed standard stream.
    holdOpen(0);
    OutputChannel out(1);
    OutputChannel err(2);
    FilePlatform::guardProcess();
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QCoreApplication application(qtArgc, qtArgv);
    // The arguments' own bytes: a file name that is not UTF-8 must still name its file.
    QStringList arguments;
    for (int at = 1; at < argc; ++at)
        arguments << fromNativePath(argv[at]);
    CommandLineTool tool(out, err, store);
    const ExitStatus status = tool.run(arguments);
    out.finish();
    return out.failure() == 0 ? status : tool.outputFailed(out.failure());
}

} // namespace keylinker
