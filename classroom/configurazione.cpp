// Reading the class's settings files with QSettings, merging them key by key
// and checking every value before anything connects.
#include "classroom/configurazione.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QSettings>
#include <QString>
#include <QSysInfo>
#include <QVariant>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <vector>

#include "classroom/messaggi.h"

namespace fs = std::filesystem;

namespace lumetto::classe {

namespace {

// The keys this version reads, as QSettings names them ("section/key").
const char* const kChiavi[] = {
    "broker/host",   "broker/port",     "broker/ca",           "broker/cert", "broker/key",
    "broker/utente", "broker/password", "broker/passwordfile", "classe/nome", "classe/banco"};

// A value and the file it came from, which an error names.
struct Valore {
    std::string testo;
    fs::path file;
};
using Valori = std::map<std::string, Valore>;

std::string virgolette(const std::string& s) {
    return "«" + s + "»";
}

// "«port» di [broker]" for "broker/port".
std::string nomechiave(const std::string& chiave) {
    const auto barra = chiave.find('/');
    return virgolette(chiave.substr(barra + 1)) + " di [" + chiave.substr(0, barra) + "]";
}

std::string nelfile(const fs::path& file, const std::string& chiave) {
    return "Nel file " + virgolette(file.string()) + " la chiave " + nomechiave(chiave);
}

// A path as a shell command takes it.
std::string pershell(const std::string& s) {
    const bool semplice = !s.empty() && s.find_first_not_of(
                                            "abcdefghijklmnopqrstuvwxyz"
                                            "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                            "0123456789/._-+:@%,=") == std::string::npos;
    if (semplice) return s;
    std::string t = "'";
    for (char c : s)
        t += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return t + "'";
}

// Why a file's mode bits let other users at it, as ssh checks its keys: a
// file that holds a password (`segreto`) no other user may read, and none
// of the settings may be written by another user (who could send this
// computer's password to a broker of theirs). `cosa` says what the file
// is; empty: it is fine. The mode itself is checked, whoever runs us (root
// reads any file, but the students do not run as root).
std::string permessi(const fs::path& file, bool segreto, const std::string& cosa) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return {};  // the reading says why
    const bool legge = segreto && (st.st_mode & S_IROTH) != 0;
    const bool scrive = (st.st_mode & S_IWOTH) != 0;
    if (!legge && !scrive) return {};
    const std::string come = legge && scrive ? "leggibile e scrivibile"
                             : legge         ? "leggibile"
                                             : "scrivibile";
    const std::string nome = pershell(file.string());
    // A user's own file is mended without sudo, and is that user's alone.
    if (st.st_uid == ::geteuid() && ::geteuid() != 0)
        return cosa + " è " + come + " da tutti gli utenti: chmod " + (segreto ? "600 " : "644 ") +
               nome + ".";
    return cosa + " è " + come + " da tutti gli utenti: " +
           (segreto ? "sudo chmod 640 " + nome + " (o 600 se lo usa un solo utente)"
                    : "sudo chmod 644 " + nome) +
           ".";
}

// One file's keys into `valori`, over those already there. Absent: nothing
// done. The error names the file.
std::string leggifile(const fs::path& file, Valori& valori, bool& trovato) {
    std::error_code e;
    const fs::file_status stato = fs::status(file, e);
    trovato = false;
    if (stato.type() == fs::file_type::not_found) return {};
    if (e)
        return "Il file " + virgolette(file.string()) + " non si raggiunge: " + e.message() + ".";
    trovato = true;
    if (!fs::is_regular_file(stato)) return "«" + file.string() + "» non è un file.";
    // QSettings says nothing of a file it cannot open: try it first.
    if (std::ifstream prova(file); !prova) {
        const int n = errno;
        return "Il file " + virgolette(file.string()) + " non si legge: " + std::strerror(n) + ".";
    }
    QSettings s(QString::fromStdString(file.string()), QSettings::IniFormat);
    // QSettings reads the file at the first question, and only then knows
    // whether it was good.
    s.contains(QStringLiteral("broker/host"));
    if (s.status() != QSettings::NoError)
        return "Il file " + virgolette(file.string()) +
               " non è un file di impostazioni INI valido.";
    for (const char* chiave : kChiavi) {
        const QString k = QString::fromLatin1(chiave);
        if (!s.contains(k)) continue;
        const QVariant v = s.value(k);
        if (v.typeId() == QMetaType::QStringList)
            return nelfile(file, chiave) +
                   " contiene una virgola: il valore va scritto tra virgolette (\"...\").";
        if (v.typeId() != QMetaType::QString)
            return nelfile(file, chiave) + " ha un valore che non si legge come testo.";
        valori[chiave] = Valore{v.toString().toStdString(), file};
    }
    const bool password = !s.value(QStringLiteral("broker/password")).toString().isEmpty();
    return permessi(file, password,
                    "Il file " + virgolette(file.string()) +
                        (password ? ", che contiene la password del broker," : ""));
}

// A path as a value gives it: a relative one from the folder of its file.
std::string percorso(const Valore& v) {
    const fs::path p(v.testo);
    if (p.is_absolute()) return p.string();
    return (v.file.parent_path() / p).lexically_normal().string();
}

bool portavalida(const std::string& t, int& porta) {
    if (t.empty() || t.size() > 5) return false;
    int n = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
    }
    if (n < 1 || n > 65535) return false;
    porta = n;
    return true;
}

// A broker's name or address: no blank or control character, which would
// make it something else on the wire.
bool hostvalido(const std::string& t) {
    if (t.size() > 253) return false;
    for (unsigned char c : t)
        if (c <= ' ' || c == 0x7F) return false;
    return true;
}

}  // namespace

fs::path fileutente() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && fs::path(xdg).is_absolute()) return fs::path(xdg) / "lumetto" / "classe.conf";
    const char* home = std::getenv("HOME");
    if (!home || !*home) return {};
    return fs::path(home) / ".config" / "lumetto" / "classe.conf";
}

EsitoConfigurazione leggiconfigurazione(const fs::path& sistema, const fs::path& utente,
                                        const std::string& nomecomputer) {
    auto errore = [](std::string testo) {
        return EsitoConfigurazione{std::nullopt, std::move(testo)};
    };
    Valori valori;
    std::vector<fs::path> letti;
    for (const fs::path& file : {sistema, utente}) {
        if (file.empty()) continue;
        bool trovato = false;
        if (std::string e = leggifile(file, valori, trovato); !e.empty()) return errore(e);
        if (trovato) letti.push_back(file);
    }
    if (letti.empty()) return {};

    // An empty value takes a key away, so the user's file can undo the system's.
    auto dato = [&](const char* chiave) -> const Valore* {
        const auto i = valori.find(chiave);
        return i == valori.end() || i->second.testo.empty() ? nullptr : &i->second;
    };
    auto manca = [&](const char* chiave) {
        std::string dove = "in " + virgolette(letti[0].string());
        if (letti.size() > 1) dove = "né " + dove + " né in " + virgolette(letti[1].string());
        return errore("Manca la chiave " + nomechiave(chiave) + " " + dove + ".");
    };

    Configurazione c;
    const Valore* v = dato("broker/host");
    if (!v) return manca("broker/host");
    if (!hostvalido(v->testo))
        return errore(nelfile(v->file, "broker/host") + " vale " + virgolette(v->testo) +
                      ": non è un nome di computer né un indirizzo.");
    c.host = v->testo;

    if (const Valore* ca = dato("broker/ca")) {
        c.tls = true;
        c.ca = percorso(*ca);
    }
    const Valore* cert = dato("broker/cert");
    const Valore* key = dato("broker/key");
    if (cert || key) {
        const Valore* uno = cert ? cert : key;
        const char* chiave = cert ? "broker/cert" : "broker/key";
        if (!cert || !key)
            return errore(nelfile(uno->file, chiave) + " va data insieme a " +
                          nomechiave(cert ? "broker/key" : "broker/cert") + ".");
        if (!c.tls)
            return errore(nelfile(uno->file, chiave) + " vale solo con TLS: manca " +
                          nomechiave("broker/ca") + ".");
        c.cert = percorso(*cert);
        c.key = percorso(*key);
    }

    c.porta = c.tls ? kPortaMqttTls : kPortaMqtt;
    if (const Valore* p = dato("broker/port"); p && !portavalida(p->testo, c.porta))
        return errore(nelfile(p->file, "broker/port") + " vale " + virgolette(p->testo) +
                      ": la porta è un numero da 1 a 65535.");

    if (const Valore* u = dato("broker/utente")) c.utente = u->testo;
    if (const Valore* p = dato("broker/password")) {
        c.password = p->testo;
    } else if (const Valore* f = dato("broker/passwordfile")) {
        const std::string nome = percorso(*f);
        std::ifstream in(nome, std::ios::binary);
        const int n = errno;
        std::string riga;
        if (!in)
            return errore(nelfile(f->file, "broker/passwordfile") + " indica " + virgolette(nome) +
                          ", che non si legge: " + std::strerror(n) + ".");
        if (std::string e = permessi(nome, true,
                                     "Il file della password " + virgolette(nome) + " (chiave " +
                                         nomechiave("broker/passwordfile") + " in " +
                                         virgolette(f->file.string()) + ")");
            !e.empty())
            return errore(e);
        std::getline(in, riga);
        if (!riga.empty() && riga.back() == '\r') riga.pop_back();
        if (riga.empty())
            return errore(nelfile(f->file, "broker/passwordfile") + " indica " + virgolette(nome) +
                          ", la cui prima riga è vuota.");
        c.password = riga;
    }
    if (!c.password.empty() && c.utente.empty()) return manca("broker/utente");

    // Class and bench name two levels of every topic.
    v = dato("classe/nome");
    if (!v) return manca("classe/nome");
    if (!livellovalido(v->testo))
        return errore(nelfile(v->file, "classe/nome") + " vale " + virgolette(v->testo) +
                      ": un nome di classe o di banco vuole " + kRegolaLivello + ".");
    c.nome = v->testo;
    if ((v = dato("classe/banco"))) {
        if (!livellovalido(v->testo))
            return errore(nelfile(v->file, "classe/banco") + " vale " + virgolette(v->testo) +
                          ": un nome di classe o di banco vuole " + kRegolaLivello + ".");
        c.banco = v->testo;
    } else {
        c.banco = nomecomputer.empty() ? QSysInfo::machineHostName().toStdString() : nomecomputer;
        if (!livellovalido(c.banco))
            return errore("Il nome di questo computer, " + virgolette(c.banco) +
                          ", non vale come nome del banco (che vuole " + kRegolaLivello +
                          "): si indichi la chiave " + nomechiave("classe/banco") + " in " +
                          virgolette(letti.back().string()) + ".");
    }
    return EsitoConfigurazione{std::move(c), {}};
}

}  // namespace lumetto::classe
