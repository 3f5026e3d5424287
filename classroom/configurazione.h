#pragma once
// The class's settings: which broker a bench (or the teacher) talks to, as
// whom, and under which class and bench name, from the file a technician
// deploys and the user's own, which wins key by key.
//
//   [broker]
//   host=aula-server          required: the broker's name or address
//   port=8883                 1 to 65535; default 8883 with TLS, else 1883
//   ca=/etc/lumetto/ca.crt    TLS is on when set
//   cert=... key=...          a client certificate, both or neither (with ca)
//   utente=banco03
//   password=segreta          or passwordfile=FILE, its first line
//   [classe]
//   nome=3B                   the class, second level of every topic
//   banco=banco03             the bench, third level; default the host name
//
// An empty value counts as not set, so the user's file can take away a key
// of the system's ("ca=" turns TLS off). A relative path (ca, cert, key,
// passwordfile) is taken from the folder of the file that names it. A value
// holding a comma or a semicolon must be written in double quotes: QSettings
// reads a comma as a list (refused here) and a semicolon as a comment.
// Keys this version does not know are ignored.
//
// Secrets are kept like secrets, as ssh keeps its keys: a settings file
// that holds a password, or the passwordfile, that other users may read is
// refused, and so is any settings file that other users may write; the
// error names the file and the chmod that mends it (0600 for a user's own
// file, 0640 root with a group for /etc/lumetto/classe.conf).

#include <filesystem>
#include <optional>
#include <string>

namespace lumetto::classe {

inline constexpr int kPortaMqtt = 1883;
inline constexpr int kPortaMqttTls = 8883;

struct Configurazione {
    std::string host;
    int porta = kPortaMqtt;
    bool tls = false;
    std::string ca, cert, key;  // absolute paths; ca set when tls
    std::string utente, password;
    std::string nome;   // the class
    std::string banco;  // this bench
};

// What the settings files give: nothing of the class (neither file exists:
// both empty), the settings, or why they cannot be used (an Italian text
// naming the file and the key, and no settings).
struct EsitoConfigurazione {
    std::optional<Configurazione> configurazione;
    std::string errore;
};

// The user's file: $XDG_CONFIG_HOME/lumetto/classe.conf where that is an
// absolute path, else ~/.config/lumetto/classe.conf (empty without HOME).
std::filesystem::path fileutente();
inline const std::filesystem::path kFileSistema = "/etc/lumetto/classe.conf";

// Reads the system's file, then the user's over it. `nomecomputer` is the
// bench's default name (empty: this computer's host name).
EsitoConfigurazione leggiconfigurazione(const std::filesystem::path& sistema = kFileSistema,
                                        const std::filesystem::path& utente = fileutente(),
                                        const std::string& nomecomputer = {});

}  // namespace lumetto::classe
