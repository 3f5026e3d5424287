// lumetto-classe: the class's settings read, the teacher connected to the
// broker, the window shown. Without settings it says what file to write.

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLockFile>
#include <QStandardPaths>
#include <QSysInfo>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/versione.h"
#include "archive/archivio.h"
#include "classroom/configurazione.h"
#include "platform/qt/diagnosticaqt.h"
#include "platform/qt/dialoghiqt.h"
#include "platform/qt/finestre.h"
#include "teacher/formclasse.h"

namespace {

constexpr const char* kAiuto =
    "Uso: lumetto-classe [OPZIONE]\n"
    "La finestra del docente: ogni banco della classe dal vivo, attraverso il\n"
    "broker MQTT della scuola, e le corse della lezione raccolte.\n"
    "\n"
    "  --diagnostica[=FILE]  scrive il registro diagnostico per un tecnico\n"
    "              sullo standard error o, con FILE, in fondo a quel file\n"
    "  --help      mostra questo aiuto ed esce\n"
    "  --version   mostra la versione ed esce\n"
    "\n"
    "Le impostazioni sono in /etc/lumetto/classe.conf e in\n"
    "~/.config/lumetto/classe.conf (che prevale): [broker] host, port, ca,\n"
    "utente, password; [classe] nome.\n"
    "Le corse raccolte vanno in ~/.local/share/lumetto/lumetto.sqlite.\n";

// What to write where there are no settings.
std::string comeconfigurare() {
    return "Scrivere il file " + lumetto::classe::fileutente().string() + " (o " +
           lumetto::classe::kFileSistema.string() +
           " per tutti), per esempio:\n\n[broker]\nhost=aula-server\nca=ca.crt\nutente=docente@3B\n"
           "password=segreta\n[classe]\nnome=3B";
}

}  // namespace

int main(int argc, char** argv) {
    lumetto::platform::instradadiagnostica();
    // Before Qt, which needs a display.
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--diagnostica" || (a.rfind("--diagnostica=", 0) == 0 && a.size() > 14)) {
            if (auto e = lumetto::platform::accendidiagnostica(a.size() > 13 ? a.substr(14) : "")) {
                std::fprintf(stderr, "lumetto-classe: %s\n", e->c_str());
                return 2;
            }
            continue;
        }
        if (a == "--help" || a == "-h") {
            std::fputs(kAiuto, stdout);
            return 0;
        }
        if (a == "--version" || a == "-V") {
            std::printf(
                "lumetto-classe %s\nLicenza GPL-3.0-or-later: software libero, senza "
                "alcuna garanzia.\n",
                lumetto::kVersione);
            return 0;
        }
        std::fprintf(stderr,
                     "lumetto-classe: opzione non riconosciuta «%s»\nPer l'aiuto: "
                     "lumetto-classe --help\n",
                     a.c_str());
        return 2;
    }
    QApplication app(argc, argv);
    lumetto::platform::traduzioneqt(app);
    QGuiApplication::setDesktopFileName(QStringLiteral("lumetto-classe"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("lumetto")));
    QApplication::setFont(lumetto::platform::carattereFinestra());
    lumetto::platform::DialoghiQt dialoghi;
    const char* traccia = std::getenv("LUMETTO_TRACCIA");
    lumetto::platform::tracciasuerrore(traccia && *traccia && std::string(traccia) != "0");
    lumetto::platform::impostaDialoghi(&dialoghi);
    int esito = 1;
    const auto conf = lumetto::classe::leggiconfigurazione();
    if (!conf.configurazione) {
        // An error names its file and key already; the example is for a
        // computer with no settings at all.
        lumetto::platform::dialoghi().errore(
            conf.errore.empty() ? "Lumetto non è impostato per una classe.\n\n" + comeconfigurare()
                                : conf.errore);
    } else {
        lumetto::classe::TFormclasse finestra(*conf.configurazione,
                                              lumetto::archivio::filepredefinito());
        // One id for this teacher on this computer, kept from one opening to
        // the next: the broker keeps the subscription and queues what the
        // benches send while the window is closed. So one window at a time.
        const std::string id = "lumetto-classe-" + conf.configurazione->utente + "-" +
                               QSysInfo::machineHostName().toStdString();
        QLockFile blocco(QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
                             .filePath(QStringLiteral("lumetto-classe.lock")));
        blocco.setStaleLockTime(0);
        std::string errore;
        if (!blocco.tryLock(0))
            errore = "Lumetto classe è già aperto su questo computer.";
        else
            errore = finestra.collega(id, true);
        if (!errore.empty()) {
            lumetto::platform::dialoghi().errore(errore);
        } else {
            lumetto::platform::tuttoschermo(&finestra);
            finestra.show();
            esito = app.exec();
        }
    }
    lumetto::platform::impostaDialoghi(nullptr);
    return esito;
}
