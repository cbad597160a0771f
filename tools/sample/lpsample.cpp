// lpsample: writes langpack's sample payload sources.
//
//   lpsample OUTDIR
//
// OUTDIR/file%04d.%03d  members 2-5 (help and contents files) of all 20 sets
// OUTDIR/dll%04d.rc     resource script of member 1 for every set that has a
//                       library of its own (0-16), in the set's ANSI code page
// OUTDIR/cursor.cur     the cursor those scripts embed
//
// Text is kept here in UTF-8 and converted with iconv(3). Output depends on
// nothing but this file, so the payload is the same on every build.

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kSets = 20;
constexpr std::size_t kMinFileSize = 262;

// Words of the user interface, in this order in every language.
enum Word : int {
    kFile,
    kPrint,
    kClose,
    kSettings,
    kOk,
    kCancel,
    kPaper,
    kOrientation,
    kCopies,
    kPortrait,
    kLandscape,
    kDriverHelp,
    kMonitorHelp,
    kStatus,
    kReady,
    kLanguageName,
    kIntro,
    kWordCount
};

struct Language {
    const char* code; // upper case, as the help file names carry it
    int primary;      // Windows language id: primary and sub-language
    int sub;
    int codePage;
    std::array<const char*, kWordCount> words;
};

constexpr std::array<Language, 17> kLanguages{{
    {"JP",
     0x11,
     0x01,
     932,
     {"ファイル", "印刷", "閉じる", "設定", "OK", "キャンセル", "用紙サイズ", "印刷の向き", "部数",
      "縦", "横", "プリンタ ドライバ ヘルプ", "ステータス モニタ ヘルプ", "状態", "準備完了",
      "日本語", "このヘルプではプリンタ ドライバの設定について説明します。"}},
    {"US",
     0x09,
     0x01,
     1252,
     {"File", "Print", "Close", "Settings", "OK", "Cancel", "Paper size", "Orientation", "Copies",
      "Portrait", "Landscape", "Printer Driver Help", "Status Monitor Help", "Status", "Ready",
      "English", "This help describes the settings of the printer driver."}},
    {"CZ",
     0x05,
     0x01,
     1250,
     {"Soubor", "Tisk", "Zavřít", "Nastavení", "OK", "Storno", "Velikost papíru", "Orientace",
      "Počet kopií", "Na výšku", "Na šířku", "Nápověda k ovladači tiskárny",
      "Nápověda ke sledování stavu", "Stav", "Připraveno", "Čeština",
      "Tato nápověda popisuje nastavení ovladače tiskárny."}},
    {"DN",
     0x06,
     0x01,
     1252,
     {"Filer", "Udskriv", "Luk", "Indstillinger", "OK", "Annuller", "Papirstørrelse", "Retning",
      "Kopier", "Stående", "Liggende", "Hjælp til printerdriveren", "Hjælp til statusovervågning",
      "Status", "Klar", "Dansk", "Denne hjælp beskriver printerdriverens indstillinger."}},
    {"GM",
     0x07,
     0x01,
     1252,
     {"Datei", "Drucken", "Schließen", "Einstellungen", "OK", "Abbrechen", "Papierformat",
      "Ausrichtung", "Exemplare", "Hochformat", "Querformat", "Hilfe zum Druckertreiber",
      "Hilfe zur Statusanzeige", "Status", "Bereit", "Deutsch",
      "Diese Hilfe beschreibt die Einstellungen des Druckertreibers."}},
    {"SP",
     0x0A,
     0x01,
     1252,
     {"Archivo", "Imprimir", "Cerrar", "Configuración", "Aceptar", "Cancelar", "Tamaño del papel",
      "Orientación", "Copias", "Vertical", "Horizontal", "Ayuda del controlador de impresora",
      "Ayuda del monitor de estado", "Estado", "Preparado", "Español",
      "Esta ayuda describe la configuración del controlador de impresora."}},
    {"FR",
     0x0C,
     0x01,
     1252,
     {"Fichier", "Imprimer", "Fermer", "Paramètres", "OK", "Annuler", "Format du papier",
      "Orientation", "Copies", "Portrait", "Paysage", "Aide du pilote d'imprimante",
      "Aide du moniteur d'état", "État", "Prêt", "Français",
      "Cette aide décrit les paramètres du pilote d'imprimante."}},
    {"IT",
     0x10,
     0x01,
     1252,
     {"File", "Stampa", "Chiudi", "Impostazioni", "OK", "Annulla", "Formato carta", "Orientamento",
      "Copie", "Verticale", "Orizzontale", "Guida del driver della stampante",
      "Guida del monitor di stato", "Stato", "Pronta", "Italiano",
      "Questa guida descrive le impostazioni del driver della stampante."}},
    {"HN",
     0x0E,
     0x01,
     1250,
     {"Fájl", "Nyomtatás", "Bezárás", "Beállítások", "OK", "Mégse", "Papírméret", "Tájolás",
      "Példányszám", "Álló", "Fekvő", "Nyomtató-illesztőprogram súgója", "Állapotfigyelő súgója",
      "Állapot", "Kész", "Magyar", "Ez a súgó a nyomtató-illesztőprogram beállításait ismerteti."}},
    {"DT",
     0x13,
     0x01,
     1252,
     {"Bestand", "Afdrukken", "Sluiten", "Instellingen", "OK", "Annuleren", "Papierformaat",
      "Afdrukstand", "Exemplaren", "Staand", "Liggend", "Help bij het printerstuurprogramma",
      "Help bij de statusmonitor", "Status", "Gereed", "Nederlands",
      "Deze help beschrijft de instellingen van het printerstuurprogramma."}},
    {"NW",
     0x14,
     0x01,
     1252,
     {"Fil", "Skriv ut", "Lukk", "Innstillinger", "OK", "Avbryt", "Papirstørrelse", "Retning",
      "Eksemplarer", "Stående", "Liggende", "Hjelp for skriverdriveren",
      "Hjelp for statusovervåking", "Status", "Klar", "Norsk",
      "Denne hjelpen beskriver innstillingene for skriverdriveren."}},
    {"PL",
     0x15,
     0x01,
     1250,
     {"Plik", "Drukuj", "Zamknij", "Ustawienia", "OK", "Anuluj", "Rozmiar papieru", "Orientacja",
      "Liczba kopii", "Pionowa", "Pozioma", "Pomoc sterownika drukarki", "Pomoc monitora stanu",
      "Stan", "Gotowa", "Polski", "Ta pomoc opisuje ustawienia sterownika drukarki."}},
    {"PR",
     0x16,
     0x01,
     1252,
     {"Arquivo", "Imprimir", "Fechar", "Configurações", "OK", "Cancelar", "Tamanho do papel",
      "Orientação", "Cópias", "Retrato", "Paisagem", "Ajuda do driver da impressora",
      "Ajuda do monitor de status", "Status", "Pronta", "Português",
      "Esta ajuda descreve as configurações do driver da impressora."}},
    {"FN",
     0x0B,
     0x01,
     1252,
     {"Tiedosto", "Tulosta", "Sulje", "Asetukset", "OK", "Peruuta", "Paperikoko", "Suunta",
      "Kopiot", "Pysty", "Vaaka", "Tulostinohjaimen ohje", "Tilanvalvonnan ohje", "Tila", "Valmis",
      "Suomi", "Tämä ohje kuvaa tulostinohjaimen asetukset."}},
    {"SW",
     0x1D,
     0x01,
     1252,
     {"Arkiv", "Skriv ut", "Stäng", "Inställningar", "OK", "Avbryt", "Pappersstorlek",
      "Orientering", "Exemplar", "Stående", "Liggande", "Hjälp för skrivardrivrutinen",
      "Hjälp för statusövervakning", "Status", "Klar", "Svenska",
      "Den här hjälpen beskriver inställningarna för skrivardrivrutinen."}},
    {"RU",
     0x19,
     0x01,
     1251,
     {"Файл", "Печать", "Закрыть", "Параметры", "ОК", "Отмена", "Размер бумаги", "Ориентация",
      "Копии", "Книжная", "Альбомная", "Справка по драйверу принтера",
      "Справка по монитору состояния", "Состояние", "Готов", "Русский",
      "Эта справка описывает параметры драйвера принтера."}},
    {"CS",
     0x04,
     0x02,
     936,
     {"文件", "打印", "关闭", "设置", "确定", "取消", "纸张大小", "方向", "份数", "纵向", "横向",
      "打印机驱动程序帮助", "状态监视器帮助", "状态", "就绪", "简体中文",
      "本帮助介绍打印机驱动程序的设置。"}},
}};

// Which set's content a set carries for a member: the identical-member table
// of the container. Sets 17-19 are set 1 throughout, set 16 takes set 1's
// help and contents files, and sets 8, 11, 13, 15 take set 2's help files.
int contentSet(int set, int member) {
    if (set >= 17) return 1;
    if (set == 16 && member >= 2) return 1;
    if ((member == 2 || member == 4) && (set == 8 || set == 11 || set == 13 || set == 15)) return 2;
    return set;
}

constexpr std::array<const char*, kSets> kSetCodes{"JP", "US", "CZ", "DN", "GM", "SP", "FR",
                                                   "IT", "HN", "DT", "NW", "PL", "PR", "FN",
                                                   "SW", "RU", "CS", "CT", "KR", "HE"};

using Bytes = std::string; // 8-bit text or binary, in the set's code page

struct GenState {
    std::string outDir;
    int status = 0; // first failure sticks; later steps become no-ops
};

void report(GenState& st, const std::string& what) {
    if (st.status == 0) std::fprintf(stderr, "lpsample: %s\n", what.c_str());
    st.status = 1;
}

// UTF-8 to the code page. Bytes 0x22 and 0x5C would end or escape a resource
// script string, so a word that converts to them is refused.
Bytes toCodePage(GenState& st, int codePage, std::string_view utf8) {
    const std::string cp = "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open(cp.c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        report(st, "iconv cannot convert to " + cp);
        return {};
    }
    std::string in(utf8);
    Bytes out(in.size() * 2 + 8, '\0');
    char* ip = in.data();
    char* op = out.data();
    std::size_t il = in.size();
    std::size_t ol = out.size();
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1))
        report(st, "cannot convert \"" + in + "\" to " + cp + ": " + std::strerror(errno));
    iconv_close(cd);
    out.resize(out.size() - ol);
    if (out.find_first_of("\"\\") != Bytes::npos)
        report(st, "\"" + in + "\" holds a quote or backslash byte in " + cp);
    return out;
}

struct SetText {
    const Language* lang;
    std::array<Bytes, kWordCount> w;
};

SetText setText(GenState& st, int set) {
    SetText t{&kLanguages[set], {}};
    for (int i = 0; i < kWordCount; ++i)
        t.w[i] = toCodePage(st, t.lang->codePage, t.lang->words[i]);
    return t;
}

void writeFile(GenState& st, const std::string& name, const Bytes& data) {
    if (st.status != 0) return;
    const std::string path = st.outDir + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        report(st, path + ": " + std::strerror(errno));
        return;
    }
    const bool wrote = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    if (std::fclose(f) != 0 || !wrote) report(st, path + ": write failed");
}

void putLe16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<char>(v & 0xFF));
    b.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void putLe32(Bytes& b, std::uint32_t v) {
    putLe16(b, v & 0xFFFF);
    putLe16(b, v >> 16);
}

void setLe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// ---- help files ---------------------------------------------------------
//
// Layout: 16-byte file header (magic, directory offset, first free block -1,
// file size), then internal files, each behind a 9-byte header (reserved
// space, used space, flags), the directory last: a one-page B+ tree of
// internal file names and offsets.

constexpr std::uint32_t kHelpMagic = 0x00035F3F;
constexpr std::uint32_t kHelpGenDate = 946684800; // fixed, for reproducible files
constexpr std::size_t kDirPageSize = 1024;

std::size_t addInternalFile(Bytes& help, const Bytes& body) {
    const std::size_t at = help.size();
    putLe32(help, static_cast<std::uint32_t>(body.size() + 9));
    putLe32(help, static_cast<std::uint32_t>(body.size()));
    help.push_back(4);
    help += body;
    return at;
}

Bytes systemFile(const Bytes& title) {
    Bytes b;
    putLe16(b, 0x036C); // magic
    putLe16(b, 33);     // minor version
    putLe16(b, 1);      // major version
    putLe32(b, kHelpGenDate);
    putLe16(b, 0); // flags: uncompressed topics
    putLe16(b, 1); // record: title
    putLe16(b, static_cast<std::uint32_t>(title.size() + 1));
    b += title;
    b.push_back('\0');
    return b;
}

struct DirEntry {
    const char* name; // sorted by name
    std::size_t offset;
};

Bytes directoryFile(const std::vector<DirEntry>& entries) {
    Bytes b;
    putLe16(b, 0x293B); // B+ tree magic
    putLe16(b, 0x0402); // flags: directory
    putLe16(b, kDirPageSize);
    Bytes structure = "z4";
    structure.resize(16, '\0');
    b += structure;
    putLe16(b, 0);      // must be zero
    putLe16(b, 0);      // page splits
    putLe16(b, 0);      // root page
    putLe16(b, 0xFFFF); // must be -1
    putLe16(b, 1);      // total pages
    putLe16(b, 1);      // levels
    putLe32(b, static_cast<std::uint32_t>(entries.size()));

    Bytes page;
    for (const DirEntry& e : entries) {
        page += e.name;
        page.push_back('\0');
        putLe32(page, static_cast<std::uint32_t>(e.offset));
    }
    Bytes leaf;
    putLe16(leaf, static_cast<std::uint32_t>(kDirPageSize - 8 - page.size())); // unused bytes
    putLe16(leaf, static_cast<std::uint32_t>(entries.size()));
    putLe16(leaf, 0xFFFF); // previous page
    putLe16(leaf, 0xFFFF); // next page
    leaf += page;
    leaf.resize(kDirPageSize, '\0');
    return b + leaf;
}

Bytes helpFile(const SetText& t, bool monitor) {
    const auto& w = t.w;
    const Bytes title = monitor ? w[kMonitorHelp] : w[kDriverHelp];
    Bytes text = title + " (" + w[kLanguageName] + ")\r\n\r\n" + w[kIntro] + "\r\n\r\n";
    const std::array<int, 6> driverTopics{kPaper,     kOrientation, kPortrait,
                                          kLandscape, kCopies,      kPrint};
    const std::array<int, 6> monitorTopics{kStatus, kReady, kPaper, kCopies, kSettings, kClose};
    for (int topic : monitor ? monitorTopics : driverTopics)
        text += w[topic] + "\r\n    " + w[kSettings] + ": " + w[topic] + ", " + w[kOk] + " / " +
                w[kCancel] + "\r\n\r\n";

    Bytes help;
    putLe32(help, kHelpMagic);
    putLe32(help, 0);          // directory offset, set below
    putLe32(help, 0xFFFFFFFF); // no free blocks
    putLe32(help, 0);          // file size, set below
    const std::size_t system = addInternalFile(help, systemFile(title));
    const std::size_t topics = addInternalFile(help, text);
    const std::size_t dir =
        addInternalFile(help, directoryFile({{"|SYSTEM", system}, {"|TEXT", topics}}));
    setLe32(help, 4, static_cast<std::uint32_t>(dir));
    setLe32(help, 12, static_cast<std::uint32_t>(help.size()));
    return help;
}

// ---- contents files -----------------------------------------------------

struct ContentsLine {
    int level;
    int word;
    const char* topic; // nullptr: a heading
};

constexpr std::array<ContentsLine, 10> kDriverContents{{
    {1, kSettings, nullptr},
    {2, kPaper, "IDH_DRIVER_PAPER_SIZE"},
    {2, kOrientation, nullptr},
    {3, kPortrait, "IDH_DRIVER_ORIENTATION_PORTRAIT"},
    {3, kLandscape, "IDH_DRIVER_ORIENTATION_LANDSCAPE"},
    {2, kCopies, "IDH_DRIVER_COPIES"},
    {1, kFile, nullptr},
    {2, kPrint, "IDH_DRIVER_PRINT"},
    {2, kClose, "IDH_DRIVER_CLOSE"},
    {2, kCancel, "IDH_DRIVER_CANCEL"},
}};

constexpr std::array<ContentsLine, 8> kMonitorContents{{
    {1, kStatus, nullptr},
    {2, kReady, "IDH_MONITOR_STATUS_READY"},
    {2, kPaper, "IDH_MONITOR_STATUS_PAPER"},
    {2, kCopies, "IDH_MONITOR_STATUS_COPIES"},
    {1, kSettings, nullptr},
    {2, kOrientation, "IDH_MONITOR_SETTINGS_ORIENTATION"},
    {2, kPrint, "IDH_MONITOR_SETTINGS_PRINT"},
    {2, kClose, "IDH_MONITOR_CLOSE"},
}};

Bytes contentsFile(const SetText& t, int set, bool monitor) {
    Bytes c = std::string(":Base KWT5D") + (monitor ? "S" : "1") + kSetCodes[set] + ".hlp>Main\r\n";
    c += ":Title " + (monitor ? t.w[kMonitorHelp] : t.w[kDriverHelp]) + "\r\n";
    auto add = [&](const ContentsLine& l) {
        c += std::to_string(l.level) + " " + t.w[l.word];
        if (l.topic != nullptr) c += std::string("=") + l.topic;
        c += "\r\n";
    };
    if (monitor)
        for (const ContentsLine& l : kMonitorContents)
            add(l);
    else
        for (const ContentsLine& l : kDriverContents)
            add(l);
    return c;
}

// ---- member 1: resource script and cursor -------------------------------

// A 1-bit image of a .cur file: an arrow with a white body and black edge.
Bytes cursorImage(int size) {
    const int stride = ((size + 31) / 32) * 4;
    Bytes xorMask(static_cast<std::size_t>(stride * size), '\0');
    Bytes andMask(static_cast<std::size_t>(stride * size), '\xFF');
    for (int y = 0; y < size; ++y) {
        const int row = size - 1 - y; // bottom-up
        const int width = y < size * 3 / 4 ? y / 2 + 1 : 0;
        for (int x = 0; x < width; ++x) {
            const bool edge = x == 0 || x == width - 1 || y == size * 3 / 4 - 1;
            const std::size_t at = static_cast<std::size_t>(row * stride + x / 8);
            const char bit = static_cast<char>(0x80 >> (x % 8));
            andMask[at] = static_cast<char>(andMask[at] & ~bit);
            if (!edge) xorMask[at] = static_cast<char>(xorMask[at] | bit);
        }
    }
    Bytes b;
    putLe32(b, 40);
    putLe32(b, static_cast<std::uint32_t>(size));
    putLe32(b, static_cast<std::uint32_t>(size * 2)); // both masks
    putLe16(b, 1);
    putLe16(b, 1);
    putLe32(b, 0);
    putLe32(b, static_cast<std::uint32_t>(xorMask.size() + andMask.size()));
    putLe32(b, 0);
    putLe32(b, 0);
    putLe32(b, 0);
    putLe32(b, 0);
    putLe32(b, 0x00000000); // palette: black, white
    putLe32(b, 0x00FFFFFF);
    return b + xorMask + andMask;
}

Bytes cursorFile() {
    const std::array<int, 2> sizes{32, 16};
    std::array<Bytes, 2> images{cursorImage(sizes[0]), cursorImage(sizes[1])};
    Bytes b;
    putLe16(b, 0);
    putLe16(b, 2); // cursor
    putLe16(b, 2);
    std::size_t offset = 6 + 16 * images.size();
    for (std::size_t i = 0; i < images.size(); ++i) {
        b.push_back(static_cast<char>(sizes[i]));
        b.push_back(static_cast<char>(sizes[i]));
        b.push_back(0);
        b.push_back(0);
        putLe16(b, 0); // hot spot: the arrow's tip
        putLe16(b, 0);
        putLe32(b, static_cast<std::uint32_t>(images[i].size()));
        putLe32(b, static_cast<std::uint32_t>(offset));
        offset += images[i].size();
    }
    for (const Bytes& img : images)
        b += img;
    return b;
}

std::string hex4(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFF);
    return buf;
}

Bytes resourceScript(const SetText& t, int set) {
    const Language& l = *t.lang;
    const auto& w = t.w;
    const int langId = l.sub << 10 | l.primary;
    const std::string q = "\"";
    auto str = [&](int word) { return q + w[word] + q; };
    const std::string dllName = std::string("KWT5D1") + kSetCodes[set] + ".DLL";

    Bytes rc;
    rc +=
        "// User-interface resources of the printer driver: " + std::string(kSetCodes[set]) + "\n";
    rc += "#pragma code_page(" + std::to_string(l.codePage) + ")\n";
    rc += "LANGUAGE " + std::to_string(l.primary) + ", " + std::to_string(l.sub) + "\n\n";
    rc += "1 CURSOR \"cursor.cur\"\n\n";
    rc += "100 MENU\nBEGIN\n";
    rc += "  POPUP " + str(kFile) + "\n  BEGIN\n";
    rc += "    MENUITEM " + str(kPrint) + ", 101\n    MENUITEM SEPARATOR\n";
    rc += "    MENUITEM " + str(kClose) + ", 102\n  END\n";
    rc += "  POPUP " + str(kSettings) + "\n  BEGIN\n";
    rc += "    MENUITEM " + str(kPaper) + ", 111\n";
    rc += "    MENUITEM " + str(kOrientation) + ", 112\n";
    rc += "    MENUITEM " + str(kCopies) + ", 113\n  END\nEND\n\n";
    // WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT
    rc += "200 DIALOGEX 0, 0, 228, 118\nSTYLE 0x80C800C0\n";
    rc += "CAPTION " + str(kSettings) + "\nFONT 8, \"MS Shell Dlg\"\nBEGIN\n";
    rc += "  LTEXT " + str(kPaper) + ", -1, 7, 9, 70, 8\n";
    rc += "  COMBOBOX 201, 80, 7, 140, 60, 0x00210003\n";
    rc += "  LTEXT " + str(kOrientation) + ", -1, 7, 27, 70, 8\n";
    rc += "  AUTORADIOBUTTON " + str(kPortrait) + ", 202, 80, 27, 65, 10\n";
    rc += "  AUTORADIOBUTTON " + str(kLandscape) + ", 203, 150, 27, 70, 10\n";
    rc += "  LTEXT " + str(kCopies) + ", -1, 7, 45, 70, 8\n";
    rc += "  EDITTEXT 204, 80, 43, 40, 12, 0x2000\n";
    rc += "  DEFPUSHBUTTON " + str(kOk) + ", 1, 116, 97, 50, 14\n";
    rc += "  PUSHBUTTON " + str(kCancel) + ", 2, 171, 97, 50, 14\nEND\n\n";
    rc += "STRINGTABLE\nBEGIN\n";
    for (int i = 0; i < kWordCount; ++i)
        rc += "  " + std::to_string(1000 + i) + ", " + str(i) + "\n";
    rc += "END\n\n";
    rc += "1 VERSIONINFO\nFILEVERSION 1,0,0,0\nPRODUCTVERSION 1,0,0,0\n";
    rc += "FILEFLAGSMASK 0x3F\nFILEFLAGS 0\nFILEOS 0x40004\nFILETYPE 2\nFILESUBTYPE 0\n";
    rc += "BEGIN\n  BLOCK \"StringFileInfo\"\n  BEGIN\n";
    rc += "    BLOCK \"" + hex4(langId) + hex4(l.codePage) + "\"\n    BEGIN\n";
    rc += "      VALUE \"CompanyName\", \"KAVEN\"\n";
    rc += "      VALUE \"FileDescription\", " + str(kDriverHelp) + "\n";
    rc += "      VALUE \"FileVersion\", \"1.0.0.0\"\n";
    rc += "      VALUE \"InternalName\", \"KWT5D1\"\n";
    rc += "      VALUE \"OriginalFilename\", \"" + dllName + "\"\n";
    rc += "      VALUE \"ProductName\", \"Zelt\"\n";
    rc += "      VALUE \"ProductVersion\", \"1.0.0.0\"\n";
    rc += "    END\n  END\n";
    rc += "  BLOCK \"VarFileInfo\"\n  BEGIN\n";
    rc += "    VALUE \"Translation\", 0x" + hex4(langId) + ", " + std::to_string(l.codePage) + "\n";
    rc += "  END\nEND\n";
    return rc;
}

std::string memberName(int set, int member) {
    char name[32];
    std::snprintf(name, sizeof name, "file%04d.%03d", set, member);
    return name;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: lpsample OUTDIR\n");
        return 1;
    }
    GenState st{argv[1]};
    writeFile(st, "cursor.cur", cursorFile());
    for (int set = 0; set < kSets; ++set) {
        if (contentSet(set, 1) == set) {
            char name[32];
            std::snprintf(name, sizeof name, "dll%04d.rc", set);
            writeFile(st, name, resourceScript(setText(st, set), set));
        }
        for (int member = 2; member <= 5; ++member) {
            const int from = contentSet(set, member);
            const SetText t = setText(st, from);
            const bool monitor = member >= 4;
            const Bytes data =
                member % 2 == 0 ? helpFile(t, monitor) : contentsFile(t, from, monitor);
            if (data.size() < kMinFileSize)
                report(st, memberName(set, member) + " is shorter than 262 bytes");
            writeFile(st, memberName(set, member), data);
        }
    }
    return st.status;
}
