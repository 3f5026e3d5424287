#pragma once
// A teacher's own experiment ("il mio esperimento"): the small TOML file that
// describes how to run any sketch of the teacher's, read, checked, written
// and listed here, with no window.
//
//   # Luce e temperatura sul banco 3
//   nome = "Luce e temperatura"   required, 1 to 60 characters
//   modo = "chiesto"              required: "chiesto" (a letter each tick, a
//                                 frame of 6-character fields, as "Utente") or
//                                 "libero" (the board speaks first)
//   lettera = "J"                 chiesto only: one visible ASCII character but
//                                 "?" (the board's "who are you"); default "J"
//   intervallo = 1.5              chiesto only: seconds between readings, 0.1
//                                 to 3600 in whole tenths; default 1
//   baud = 115200                 libero only: 9600, 19200, 38400, 57600,
//                                 115200 or "automatica" (the default)
//   schema = "~/lavoro/banco3.sca"  optional: the scheme whose picture and
//                                 labels show the run; "~/" is the home, a
//                                 relative path is from this file's folder
//
//   [[colonna]]                   one table per column, in order: chiesto 1 to
//                                 12 (a frame holds 12 fields), libero 0 to 13
//                                 (0: named by what the board sends; else
//                                 matched to the board's labels by name, or by
//                                 position when it sends bare values)
//   nome = "luce"                 required, 1 to 40 characters, unique
//   unita = "%"                   optional, at most 16 characters
//   decimali = 0                  0 to 6; default 1
//   a = 0.09775                   optional calibration, value = a × received + b:
//   b = 0.0                       finite numbers, a not 0; default 1 and 0
//
// Texts are UTF-8 without control characters; lengths count characters, not
// bytes. Any other key is an error (a misspelt key must not be ignored), and
// so are a mode's keys under the other mode. A file over 64 KiB is refused
// unread.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lumetto::acquisition {

inline constexpr int kMaxCaratteriNome = 60;
inline constexpr int kMaxCaratteriColonna = 40;
inline constexpr int kMaxCaratteriUnita = 16;
inline constexpr int kMaxDecimali = 6;
inline constexpr std::size_t kMaxColonneChiesto = 12;  // 12 fields of 6 characters
inline constexpr std::size_t kMaxColonneLibero = 13;
inline constexpr std::size_t kMaxByteEsperimento = 64 * 1024;
inline constexpr char kLetteraPredefinita = 'J';
// The interval is kept in whole tenths of a second. The built-in experiments
// tick in whole seconds, but a teacher's sensor often wants less; 0.1 s is the
// shortest tick that still holds a 12-field frame at 9600 baud 7E1 (77
// characters of 10 bits: 80 ms).
inline constexpr int kMinDecimi = 1;
inline constexpr int kMaxDecimi = 36000;
inline constexpr int kBaudAutomatica = 0;

// Why a file cannot be used, in Italian for the user: "esperimenti/luce.toml,
// riga 7: "decimali" va da 0 a 6 (è 9)". The file, line (0: none, as for a
// missing key or an unreadable file) and key (empty for a syntax error) are
// also kept apart; `diagnosi` holds toml++'s own English text of a syntax
// error, for a diagnostic log only.
class ErroreEsperimento : public std::runtime_error {
  public:
    ErroreEsperimento(const std::string& messaggio, std::string file, int riga, std::string chiave,
                      std::string diagnosi = {});
    const std::string& file() const { return file_; }
    int riga() const { return riga_; }
    const std::string& chiave() const { return chiave_; }
    const std::string& diagnosi() const { return diagnosi_; }

  private:
    std::string file_;
    int riga_;
    std::string chiave_;
    std::string diagnosi_;
};

enum class ModoEsperimento { Chiesto, Libero };

struct ColonnaEsperimento {
    std::string nome = {};
    std::string unita = {};
    int decimali = 1;
    double a = 1;
    double b = 0;

    // The value a reading shows and stores, from the number the board sent.
    double valore(double ricevuto) const { return a * ricevuto + b; }
    bool operator==(const ColonnaEsperimento&) const = default;
};

struct MioEsperimento {
    std::string nome = {};
    ModoEsperimento modo = ModoEsperimento::Chiesto;
    char lettera = kLetteraPredefinita;  // chiesto only
    int decimi = 10;                     // chiesto only: the interval in tenths of a second
    int baud = kBaudAutomatica;          // libero only
    std::string schema = {};             // as written; empty: none
    std::vector<ColonnaEsperimento> colonne = {};

    double secondi() const { return decimi / 10.0; }
    // Equal when they run alike: the other mode's fields, which are neither
    // written nor read, do not count.
    bool operator==(const MioEsperimento& altro) const;
};

// The experiment of a file's text; `file` is the name its errors give.
// Throws ErroreEsperimento.
MioEsperimento leggiesperimento(std::string_view testo, std::string_view file);
// The same from a file on disk (a regular file of at most 64 KiB); its path
// is the name its errors give.
MioEsperimento caricaesperimento(const std::filesystem::path& file);

// Throws ErroreEsperimento with the first rule `e` breaks (no file, no line:
// the dialog's fields), so that nothing unreadable is ever written.
void controllaesperimento(const MioEsperimento& e);
// The file's text: a comment with the name, then the keys in the order above,
// numbers with a decimal point and every digit a double needs to read back
// the same. leggiesperimento(scriviesperimento(e)) == e for every valid e.
std::string scriviesperimento(const MioEsperimento& e);
// Checks `e` and writes it whole or not at all (its folder made first).
// Throws ErroreEsperimento, whose text says what could not be done.
void salvaesperimento(const MioEsperimento& e, const std::filesystem::path& file);

// The scheme's file on disk: "~/" from HOME, a relative path from the folder
// of the experiment's file; empty when the experiment names none.
std::filesystem::path fileschema(const MioEsperimento& e,
                                 const std::filesystem::path& fileesperimento);

// The user's experiments: $XDG_DATA_HOME/lumetto/esperimenti where that is an
// absolute path, else ~/.local/share/lumetto/esperimenti.
std::filesystem::path cartellaesperimenti();
// The school's, read-only to the user.
inline const std::filesystem::path kCartellaCondivisa = "/usr/share/lumetto/esperimenti";

// One file of the list: the experiment it holds, or why it cannot be used.
// A folder that cannot be read is listed too, as its path and its error.
struct VoceEsperimento {
    std::filesystem::path file;
    bool condiviso = false;
    std::optional<MioEsperimento> esperimento;
    std::string errore;
};

// Every *.toml of both folders (hidden files and what is not a regular file
// left out), a user's file hiding a shared one of the same file name, sorted
// by the name shown (the experiment's, else the file's; ASCII letters without
// case), then by path. Missing folders give nothing.
std::vector<VoceEsperimento> elencaesperimenti(
    const std::filesystem::path& condivisa = kCartellaCondivisa,
    const std::filesystem::path& utente = cartellaesperimenti());

// A file in `utente` for a new experiment called `nome` ("Luce e temperatura"
// gives luce-e-temperatura.toml, then luce-e-temperatura-2.toml...): lower
// case ASCII letters, digits and '-', accented letters without their accent,
// a name used in neither folder (a new file must not hide a shared one).
std::filesystem::path nuovofileesperimento(
    std::string_view nome, const std::filesystem::path& utente = cartellaesperimenti(),
    const std::filesystem::path& condivisa = kCartellaCondivisa);

}  // namespace lumetto::acquisition
