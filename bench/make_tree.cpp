// Makes a folder tree to search: about 7,000 folders and 100,000 empty files, among them one folder of
// 5,000 subfolders and one of 20,000 files, about one name in ten a key file name of the default
// pattern ("*.htm;*.html;*.htm_bak;*.html_bak", in upper and lower case), the others names that a
// search must pass over (.txt, .jpg, .css, .htm_bak3, ...), folder and file names with umlauts, and
// one folder with Latin-1 names.
// The same seed always gives the same tree.
//
//   make_tree DIR [SEED]
//
// DIR must not exist yet. Prints the number of folders, files and key file names made.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Words of a collection of insects, in UTF-8.
const char* const words[] = {
    "Käfer",   "Rüsselkäfer", "Laufkäfer", "Blattkäfer", "Bockkäfer",     "Schwebfliegen",
    "Wanzen",  "Zikaden",     "Ameisen",   "Hummeln",    "Eulenfalter",   "Großschmetterlinge",
    "Spanner", "Weißlinge",   "Bläulinge", "Libellen",   "Köcherfliegen", "Grashüpfer",
    "Spinnen", "Schnecken",   "Carabus",   "Dytiscus",   "Cetonia",       "Lucanus",
    "Zygaena", "Papilio",     "Tabelle",   "Schlüssel",
};

// Key file names of the default pattern, with the case variants authors produce.
const char* const matchingEndings[] = {".htm",     ".HTM",     ".Htm",      ".html",    ".HTML",
                                       ".htm_bak", ".HTM_BAK", ".html_bak", ".Html_Bak"};
// Weights of the entries above, in tenths of a percent of all files (sum 100: one in ten).
const int matchingWeights[] = {30, 6, 4, 22, 4, 14, 4, 12, 4};

// Names a search passes over, some of them close to key file names.
const char* const otherEndings[] = {".txt", ".jpg", ".JPG",  ".css", ".htm_bak3", ".html_bak12",
                                    ".png", ".pdf", ".htmx", ".js",  ".gif",      ".htm.txt",
                                    ".doc", ".tif", "_htm",  ".xml", ".csv",      ".htm_bak10"};

class TreeMaker
{
public:
    explicit TreeMaker(unsigned seed) : m_random(seed) {}

    bool makeFolder(const std::string& path)
    {
        if (::mkdir(path.c_str(), 0755) != 0) {
            std::fprintf(stderr, "make_tree: %s: %s\n", path.c_str(), std::strerror(errno));
            return false;
        }
        ++m_folders;
        return true;
    }

    bool makeFiles(const std::string& folder, int count)
    {
        for (int i = 0; i < count; ++i) {
            if (!makeFile(folder + '/' + fileName()))
                return false;
        }
        return true;
    }

    bool makeFile(const std::string& path)
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0) {
            std::fprintf(stderr, "make_tree: %s: %s\n", path.c_str(), std::strerror(errno));
            return false;
        }
        ::close(fd);
        ++m_files;
        return true;
    }

    // A file whose name is not made from the seed; `matching` tells whether the pattern takes it.
    bool makeFile(const std::string& path, bool matching)
    {
        m_matching += matching ? 1 : 0;
        return makeFile(path);
    }

    // Folder names: a word and a running number, so that none repeats; now and then one that looks
    // like a key file, which the file list must not take for one.
    std::string folderName()
    {
        std::string name = word() + ' ' + std::to_string(++m_counter);
        if (chance(1, 200))
            name += ".htm";
        return name;
    }

    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    bool chance(int in, int of) { return between(1, of) <= in; }

    long folders() const { return m_folders; }
    long files() const { return m_files; }
    long matching() const { return m_matching; }

private:
    std::string word() { return words[between(0, static_cast<int>(std::size(words)) - 1)]; }

    std::string fileName()
    {
        std::string stem = word();
        stem += chance(1, 2) ? '_' : '-';
        stem += std::to_string(++m_counter);
        int pick = between(0, 999);
        for (std::size_t i = 0; i < std::size(matchingEndings); ++i) {
            if (pick < matchingWeights[i]) {
                ++m_matching;
                return stem + matchingEndings[i];
            }
            pick -= matchingWeights[i];
        }
        return stem + otherEndings[between(0, static_cast<int>(std::size(otherEndings)) - 1)];
    }

    std::mt19937 m_random;
    long m_counter = 0;
    long m_folders = 0;
    long m_files = 0;
    long m_matching = 0;
};

// A branching tree below `folder` of `budget` folders at most, `depth` levels at most, with about
// `filesPerFolder` files in each folder. Returns false on the first failure.
bool makeBranches(TreeMaker& maker, const std::string& folder, int& budget, int depth, int filesPerFolder)
{
    if (!maker.makeFiles(folder, maker.between(0, 2 * filesPerFolder)))
        return false;
    if (depth == 0)
        return true;
    const int children = maker.between(2, 7);
    for (int i = 0; i < children && budget > 0; ++i) {
        const std::string child = folder + '/' + maker.folderName();
        --budget;
        if (!maker.makeFolder(child) || !makeBranches(maker, child, budget, depth - 1, filesPerFolder))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_tree DIR [SEED]\n");
        return 2;
    }
    const std::string root = argv[1];
    TreeMaker maker(argc == 3 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 1u);
    if (!maker.makeFolder(root) || !maker.makeFiles(root, 12))
        return 1;

    // One folder of 5,000 subfolders, each with a few files.
    const std::string wide = root + "/Sammlung Käfer";
    if (!maker.makeFolder(wide))
        return 1;
    for (int i = 0; i < 5000; ++i) {
        const std::string child = wide + '/' + maker.folderName();
        if (!maker.makeFolder(child) || !maker.makeFiles(child, maker.between(0, 3)))
            return 1;
    }

    // One folder of 20,000 files.
    const std::string big = root + "/Große Ablage";
    if (!maker.makeFolder(big) || !maker.makeFiles(big, 20000))
        return 1;

    // The rest: branching trees of about 2,000 folders with about 72,000 files, down to 7 levels.
    int budget = 2000;
    const std::string taxa = root + "/Bestimmungstabellen";
    if (!maker.makeFolder(taxa))
        return 1;
    while (budget > 0) {
        const std::string branch = taxa + '/' + maker.folderName();
        --budget;
        if (!maker.makeFolder(branch) || !makeBranches(maker, branch, budget, 6, 36))
            return 1;
    }

    // Last, so that the rest of the tree stays as the seed makes it: an old archive unpacked with
    // Latin-1 names, bytes that are not UTF-8, which a search must find and print unchanged.
    // (Octal escapes: 344 is "ä", 374 "ü" in Latin-1.)
    const std::string archive = root + "/Archiv K\344fer";
    if (!maker.makeFolder(archive) || !maker.makeFile(archive + "/Bl\344ttk\344fer.htm", true) ||
        !maker.makeFile(archive + "/R\374ssler.HTML_BAK", true) ||
        !maker.makeFile(archive + "/Notizen \374ber K\344fer.txt", false))
        return 1;

    std::printf("%ld folders, %ld files, %ld key file names\n", maker.folders(), maker.files(),
                maker.matching());
    return 0;
}
