#pragma once
// A bench's publisher to the class broker: its state, its runs' facts and
// every reading, with the archive as the queue of what the broker has not
// acknowledged yet, sent again in order whenever the connection comes back.
//
// Everything here runs on the thread that made the object (the program's
// main thread, which needs a Qt event loop): the connection's notices come
// from its network thread as queued calls. Handing a reading over only
// writes its JSON and queues it for the network thread; nothing waits on
// the network.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "archive/archivio.h"
#include "classroom/configurazione.h"
#include "classroom/messaggi.h"

namespace lumetto::classe {

class Collegamento;

class Pubblicatore {
  public:
    // The archive, opened when first asked (null when it cannot be).
    using Fonte = std::function<archivio::Archivio*()>;
    // Tells the user something without waiting (Italian).
    using Avviso = std::function<void(const std::string&)>;

    Pubblicatore(Configurazione c, Fonte archivio, Avviso avviso);
    // Says "offline" and goodbye, within about a second.
    ~Pubblicatore();
    Pubblicatore(const Pubblicatore&) = delete;
    Pubblicatore& operator=(const Pubblicatore&) = delete;

    // Starts the connection; empty, or why it cannot start (Italian).
    std::string avvia();

    // A run is in the archive under fatti.id: it is "in corsa". Told again
    // with the same run's changed facts (a free run named a new column),
    // the facts go again and the state stays.
    void corsa(const archivio::Corsa& fatti);
    // A reading of that run, already committed to the archive.
    void lettura(const archivio::Lettura& l);
    // The run stopped: "fermo".
    void fermata();

    // What the main thread knows of the connection, for whoever watches it:
    // connected now, and how many failed attempts or losses it was told of.
    bool collegato() const { return connesso_; }
    int cadute() const { return cadute_; }

    // Readings handed over at most at once while catching up.
    static constexpr std::size_t kLotto = 50;

  private:
    // What a message id in flight stands for: a run's facts (numero 0) or
    // one of its readings, and the batch that sent it (0: none).
    struct Invio {
        int64_t corsa = 0;
        int numero = 0;
        int lotto = 0;
    };

    void sucollegato();
    void suscollegato(const std::string& motivo);
    void suconsegnati();
    void pubblicastato();
    void pubblicacorsa(const archivio::Corsa& c);
    void prossimolotto();

    Configurazione conf_;
    Fonte fonte_;
    Avviso avviso_;
    std::string argomentostato_;
    // Lives on this thread: the target of the calls the network thread
    // queues. Defined in the .cpp, so that users of this header need no Qt.
    struct Ricevitore;
    std::unique_ptr<Ricevitore> ricevitore_;
    std::unique_ptr<Collegamento> collegamento_;

    // Filled on the network thread, emptied on this one.
    std::mutex mutex_;
    std::vector<int> consegnati_;
    bool chiamata_ = false;  // a call to suconsegnati is queued

    StatoBanco stato_;
    archivio::Corsa corrente_;  // id 0: no run yet
    std::map<int, Invio> involo_;
    bool connesso_ = false;
    bool detto_ = false;       // this outage has been told
    bool recupero_ = false;    // sending again what the archive holds unacknowledged
    std::size_t inlotto_ = 0;  // readings of the batch still unacknowledged
    int lotto_ = 0;            // the batch's number: acks of an abandoned one are not counted
    int cadute_ = 0;
};

}  // namespace lumetto::classe
