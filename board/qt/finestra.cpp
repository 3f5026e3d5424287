#include "board/qt/finestra.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>
#include <set>
#include <thread>

#include "board/qt/led.h"
#include "board/qt/quadrante.h"
#include "board/scheda.h"
#include "platform/qt/guida.h"

namespace lumetto::scheda {

namespace {

constexpr int kAggiornaMs = 100;
constexpr int kRigheEventi = 500;
constexpr int kColonneSketch = 8;

// The UI speaks Italian, so its numbers do too, whatever the session's locale.
QLocale localeNumeri() {
    QLocale sistema;
    return sistema.language() == QLocale::Italian ? sistema
                                                  : QLocale(QLocale::Italian, QLocale::Italy);
}

QString volt(int valore) {
    return localeNumeri().toString(valore * 5.0 / 1023.0, 'f', 2) + " V";
}

QString descrizioneBreve(const std::string& nome) {
    static const std::map<std::string, const char*> testi = {
        {"pi", "forno con regolazione PI: temperatura, set point, azioni P e I"},
        {"climatica", "ambiente climatizzato: temperature, umidità, CO₂, caldaia, condizionatore"},
        {"solare", "impianto solare termico: collettore, serbatoio, irraggiamento, pompa"},
        {"sonar", "distanza in cm di un oggetto davanti al sonar"},
        {"termostato", "stanza con termostato: temperatura, umidità, set point, caldaia"},
        {"encoder", "ruota con encoder: angolo, giri al minuto, giri contati"},
        {"accelerometro", "accelerazione sui tre assi X, Y, Z"},
        {"temperatura", "termometro della stanza, in °C"},
        {"motore", "motore in corrente continua: giri al minuto e set point"},
        {"irrigazione", "irrigazione di due zone: umidità del terreno, pioggia, pompa, valvole"},
        {"livello", "serbatoio con galleggianti di minimo e di massimo e pompa"},
        {"pneumatica", "tre cilindri pneumatici in sequenza, con START e STOP"},
        {"cascata", "quattro caldaie in cascata: stato, temperatura, set point"},
        {"utente", "sketch degli alunni: fino a 12 campi, da C1 a C12"},
        {"pin", "stato dei pin: ingressi D2…D7 e A0…A5, uscite D8…D13, servo"},
        {"tutti", "risponde a ogni lettera: tutti gli esperimenti insieme"},
        {"libero", "flusso libero: uno sketch da Serial Plotter che parla da sé"},
    };
    auto it = testi.find(nome);
    return it == testi.end() ? QString() : QString::fromUtf8(it->second);
}

QString virgolette(const QString& s) {
    return "«" + s + "»";
}

// What the program has to send, and what comes back, for the description under the buttons.
QString comandiSketch(const std::string& nome) {
    const QString pin =
        "Comando «A»: stato di D2…D7 e A0…A5. «H1»…«H6» e «L1»…«L6»: "
        "D8…D13 alta o bassa. «S» + servo + angolo (es. «S1090»): muove un servo.";
    if (nome == "pin") return pin;
    if (nome == "tutti") {
        std::set<char> lettere;
        for (const auto& e : esperimenti())
            lettere.insert(e.lettera);
        QStringList l;
        for (char c : lettere)
            l << virgolette(QString(QChar(c)));
        return "Risponde ai comandi " + l.join(' ') +
               " come gli sketch dei singoli esperimenti; in più i comandi dello sketch «pin» "
               "(«A» dà lo stato dei pin, con la distanza del sonar nei primi due caratteri).";
    }
    for (const auto& e : esperimenti()) {
        if (e.nome != nome) continue;
        QString lettera = virgolette(QString(QChar(e.lettera)));
        if (nome == "utente")
            return "Risponde al comando " + lettera + " con i campi scelti da --campi (fino a 12).";
        auto campi = e.maschera.size();
        return QString("Risponde al comando %1 con %2 %3 (%4 caratteri più CR LF).")
            .arg(lettera)
            .arg(campi)
            .arg(campi == 1 ? "campo" : "campi")
            .arg(e.testata.size());
    }
    return {};
}

// The free stream's line, as the description under the buttons shows it.
QString righeLibere(const OpzioniLibero& o) {
    const RigaLibera r = rigaLibera(o, Guasto::Nessuno, 1, o.intestazione ? 1 : 0);
    return QString("Non aspetta comandi: manda %1 righe al secondo a %2 baud, come «%3»%4.")
        .arg(o.frequenza)
        .arg(o.baud)
        .arg(QString::fromStdString(r.byte.substr(0, r.byte.size() - 2)))
        .arg(o.intestazione ? ", dopo una riga con i nomi" : "");
}

QFont fontFisso() {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setStyleHint(QFont::Monospace);
    return f;
}

QGroupBox* gruppo(const QString& titolo, QLayout* contenuto) {
    auto* g = new QGroupBox(titolo);
    g->setLayout(contenuto);
    return g;
}

}  // namespace

QString byteVisibili(const std::string& byte) {
    QString s;
    for (unsigned char c : byte) {
        if (c < 0x20)
            s += QChar(0x2400 + c);  // the Control Pictures block: ␀ .. ␟
        else if (c == 0x7f)
            s += QChar(0x2421);
        else if (c >= 0x80)
            s += QString("\\x%1").arg(c, 2, 16, QChar('0'));
        else
            s += QChar(c);
    }
    return s;
}

QString byteHtml(const std::string& byte) {
    // Few fonts draw the Control Pictures legibly: the control bytes go as
    // their ASCII names on a dark tag, as editors that show them do.
    static const char* const nomi[] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL",
                                       "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
                                       "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB",
                                       "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
    auto tag = [](const QString& t) {
        return "<span style='background-color:#546e7a; color:#ffffff'>" + t + "</span>";
    };
    QString s = "<span style='white-space:pre'>";
    QString testo;
    auto chiudi = [&] {
        s += testo.toHtmlEscaped();
        testo.clear();
    };
    bool dopoTag = false;
    for (unsigned char c : byte) {
        if (c < 0x20 || c >= 0x7f) {
            chiudi();
            if (dopoTag) s += QChar(0x200A);  // a hair space keeps "CR" "LF" from reading "CRLF"
            dopoTag = true;
            s += tag(c < 0x20    ? nomi[c]
                     : c == 0x7f ? QString("DEL")
                                 : QString("%1").arg(c, 2, 16, QChar('0')).toUpper());
        } else {
            testo += QChar(c);
            dopoTag = false;
        }
    }
    chiudi();
    return s + "</span>";
}

FinestraScheda::FinestraScheda(Scheda& scheda, QWidget* parent) : QWidget(parent), scheda_(scheda) {
    setWindowTitle("Lumetto — scheda virtuale");
    setObjectName("finestraScheda");
    platform::installaguida(this, "scheda-virtuale.html");

    auto* principale = new QVBoxLayout(this);
    principale->addWidget(creaIntestazione());
    principale->addWidget(creaSketch());
    auto* centro = new QHBoxLayout;
    centro->addWidget(creaIngressi(), 1);
    centro->addWidget(creaUscite(), 1);
    principale->addLayout(centro);
    principale->addWidget(creaComunicazione());
    principale->addWidget(creaEventi(), 1);

    scheda_.evento = [this](const std::string& e) { dallaScheda(e); };
    if (scheda_.collegata())
        aggiungiEvento(QTime::currentTime().toString("HH:mm:ss.zzz") + "  in servizio su " +
                       QString::fromStdString(scheda_.percorsoSlave()) + ", sketch " +
                       QString::fromStdString(scheda_.sketch()));

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, [this] { aggiorna(); });
    timer_->start(kAggiornaMs);
    aggiorna();

    QSize voluta(1120, 820);
    // Room for the title bar, which the window manager adds outside this size.
    if (auto* schermo = screen())
        voluta = voluta.boundedTo(schermo->availableGeometry().size() - QSize(0, 40));
    resize(voluta);
}

FinestraScheda::~FinestraScheda() {
    // The board's thread has stopped by now: nobody calls back into this window.
    scheda_.evento = nullptr;
}

QWidget* FinestraScheda::creaIntestazione() {
    auto* riga = new QHBoxLayout;
    riga->setContentsMargins(0, 0, 0, 0);
    auto* titolo = new QLabel("Scheda virtuale");
    QFont f = titolo->font();
    f.setPointSizeF(f.pointSizeF() * 1.5);
    f.setBold(true);
    titolo->setFont(f);
    titolo->setAccessibleName(titolo->text());
    riga->addWidget(titolo);
    riga->addSpacing(24);

    collegamento_ = new QLabel;
    collegamento_->setObjectName("collegamento");
    collegamento_->setTextFormat(Qt::RichText);
    collegamento_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    riga->addWidget(collegamento_, 1);

    auto* w = new QWidget;
    w->setLayout(riga);
    return w;
}

QWidget* FinestraScheda::creaSketch() {
    auto* griglia = new QGridLayout;
    griglia->setHorizontalSpacing(6);
    griglia->setVerticalSpacing(6);
    gruppoSketch_ = new QButtonGroup(this);
    gruppoSketch_->setExclusive(true);
    int i = 0;
    for (const auto& nome : nomiSketch()) {
        auto* b = new QPushButton(QString::fromStdString(nome));
        b->setObjectName(QString::fromStdString("sketch_" + nome));
        b->setAccessibleName(b->text());
        b->setAccessibleDescription(descrizioneBreve(nome));
        b->setToolTip(descrizioneBreve(nome));
        b->setCheckable(true);
        b->setCursor(Qt::PointingHandCursor);
        gruppoSketch_->addButton(b);
        connect(b, &QPushButton::clicked, this, [this, nome] { sceltoSketch(nome); });
        griglia->addWidget(b, i / kColonneSketch, i % kColonneSketch);
        sketch_[nome] = b;
        ++i;
    }

    descrizione_ = new QLabel;
    descrizione_->setObjectName("descrizioneSketch");
    descrizione_->setTextFormat(Qt::RichText);
    descrizione_->setWordWrap(true);

    auto* colonna = new QVBoxLayout;
    colonna->addLayout(griglia);
    colonna->addWidget(descrizione_);
    auto* g = gruppo("Sketch in esecuzione (un clic per cambiarlo)", colonna);
    g->setObjectName("gruppoSketch");
    g->setStyleSheet(
        "QPushButton { padding: 5px 8px; border: 1px solid #9aa5b1; border-radius: 4px;"
        " background: #f5f7f9; color: #1f2933; }"
        "QPushButton:hover { background: #e1ebf5; }"
        "QPushButton:checked { background: #1565c0; border-color: #0d47a1; color: white;"
        " font-weight: bold; }");
    return g;
}

QWidget* FinestraScheda::creaIngressi() {
    auto* riga = new QHBoxLayout;
    for (int i = 0; i < 6; ++i) {
        QString nome = QString("D%1").arg(i + 2);
        auto* c = new QCheckBox(nome);
        c->setObjectName("ingresso_" + nome);
        c->setAccessibleName(nome);
        c->setToolTip(nome + ": spuntato = HIGH (5 V), vuoto = LOW (0 V)");
        connect(c, &QCheckBox::toggled, this,
                [this, i](bool alto) { scheda_.impostaDigitale(i, alto); });
        digitali_[static_cast<size_t>(i)] = c;
        riga->addWidget(c);
    }
    riga->addStretch(1);

    auto* griglia = new QGridLayout;
    griglia->setColumnStretch(1, 1);
    for (int i = 0; i < 6; ++i) {
        auto k = static_cast<size_t>(i);
        QString nome = QString("A%1").arg(i);
        auto* etichetta = new QLabel(nome);
        QFont f = etichetta->font();
        f.setBold(true);
        etichetta->setFont(f);

        auto* s = new QSlider(Qt::Horizontal);
        s->setObjectName("analogico_" + nome);
        s->setAccessibleName(nome);
        s->setRange(0, 1023);
        s->setSingleStep(1);
        s->setPageStep(64);
        s->setMinimumWidth(160);
        etichetta->setBuddy(s);

        auto* n = new QSpinBox;
        n->setObjectName("valore_" + nome);
        n->setAccessibleName(nome + " valore");
        n->setRange(0, 1023);
        n->setLocale(localeNumeri());

        auto* v = new QLabel;
        v->setObjectName("volt_" + nome);
        v->setAccessibleName(nome + " tensione");
        v->setMinimumWidth(fontMetrics().horizontalAdvance("0,00 V") + 8);
        v->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

        analogici_[k] = s;
        numeri_[k] = n;
        volt_[k] = v;
        auto imposta = [this, i](int valore) {
            scheda_.impostaAnalogico(i, valore);
            mostraAnalogico(i, valore);
        };
        connect(s, &QSlider::valueChanged, this, imposta);
        connect(n, qOverload<int>(&QSpinBox::valueChanged), this, imposta);

        griglia->addWidget(etichetta, i, 0);
        griglia->addWidget(s, i, 1);
        griglia->addWidget(n, i, 2);
        griglia->addWidget(v, i, 3);
    }
    Pin p = scheda_.pin();
    for (int i = 0; i < 6; ++i) {
        auto k = static_cast<size_t>(i);
        QSignalBlocker b(digitali_[k]);
        digitali_[k]->setChecked(p.digitali[k]);
        mostraAnalogico(i, p.analogici[k]);
    }

    auto* colonna = new QVBoxLayout;
    colonna->addWidget(gruppo("Ingressi digitali D2…D7 (spuntato = HIGH, 5 V)", riga));
    colonna->addWidget(gruppo("Ingressi analogici A0…A5 (da 0 a 1023 = da 0 a 5 V)", griglia));
    colonna->addStretch(1);
    auto* w = new QWidget;
    colonna->setContentsMargins(0, 0, 0, 0);
    w->setLayout(colonna);
    return w;
}

QWidget* FinestraScheda::creaUscite() {
    auto* led = new QHBoxLayout;
    for (int i = 0; i < 6; ++i) {
        auto* l = new Led(QString("D%1").arg(i + 8), this);
        uscite_[static_cast<size_t>(i)] = l;
        led->addWidget(l);
    }
    auto* servo = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        auto* q = new Quadrante(i + 1, this);
        servo_[static_cast<size_t>(i)] = q;
        servo->addWidget(q);
    }
    auto* colonna = new QVBoxLayout;
    colonna->setContentsMargins(0, 0, 0, 0);
    colonna->addWidget(gruppo("Uscite digitali D8…D13 (comandi H1…H6 e L1…L6)", led));
    colonna->addWidget(gruppo("Servo: ultimo angolo comandato (es. S2090 = servo 2 a 90°)", servo),
                       1);
    auto* w = new QWidget;
    w->setLayout(colonna);
    return w;
}

QWidget* FinestraScheda::creaComunicazione() {
    auto* griglia = new QGridLayout;
    griglia->setColumnStretch(1, 1);
    auto campo = [&](const QString& titolo, const char* oggetto, int r) {
        auto* etichetta = new QLabel(titolo + ":");
        auto* e = new QLabel;
        e->setObjectName(oggetto);
        e->setAccessibleName(titolo);
        e->setFont(fontFisso());
        e->setTextFormat(Qt::RichText);
        e->setTextInteractionFlags(Qt::TextSelectableByMouse);
        e->setFrameShape(QFrame::StyledPanel);
        e->setBackgroundRole(QPalette::Base);
        e->setAutoFillBackground(true);
        e->setMargin(3);
        // A long reply is cut at the edge rather than widening the window.
        e->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        e->setMinimumWidth(120);
        e->setText("<span style='color:gray'>ancora niente</span>");
        etichetta->setBuddy(e);
        griglia->addWidget(etichetta, r, 0);
        griglia->addWidget(e, r, 1);
        return e;
    };
    comando_ = campo("Ultimo comando", "ultimoComando", 0);
    comando_->setToolTip("L'ultimo carattere che il programma ha mandato alla scheda");
    risposta_ = campo("Ultima risposta", "ultimaRisposta", 1);
    risposta_->setToolTip(
        "Come è partita verso il programma: CR è il ritorno a capo (\\r), "
        "LF il nuovo rigo (\\n)");
    lunghezza_ = new QLabel;
    lunghezza_->setObjectName("lunghezzaRisposta");
    griglia->addWidget(lunghezza_, 1, 2);
    return gruppo("Comunicazione con il programma", griglia);
}

QWidget* FinestraScheda::creaEventi() {
    eventi_ = new QPlainTextEdit;
    eventi_->setObjectName("eventi");
    eventi_->setAccessibleName("Eventi");
    eventi_->setReadOnly(true);
    eventi_->setFont(fontFisso());
    eventi_->setMaximumBlockCount(kRigheEventi);
    eventi_->setLineWrapMode(QPlainTextEdit::NoWrap);
    eventi_->setMinimumHeight(90);

    auto* svuota = new QPushButton("Svuota");
    svuota->setObjectName("svuotaEventi");
    svuota->setAccessibleName(svuota->text());
    connect(svuota, &QPushButton::clicked, eventi_, &QPlainTextEdit::clear);

    auto* griglia = new QGridLayout;
    griglia->addWidget(eventi_, 0, 0, 2, 1);
    griglia->addWidget(svuota, 0, 1, Qt::AlignTop);
    return gruppo("Eventi", griglia);
}

void FinestraScheda::sceltoSketch(const std::string& nome) {
    // Starting the same sketch again would reset its plant in the middle of a lesson.
    if (nome != scheda_.sketch()) scheda_.cambiaSketch(nome);
    mostraSketch(scheda_.sketch());
}

void FinestraScheda::mostraSketch(const std::string& nome) {
    sketchMostrato_ = nome;
    if (auto it = sketch_.find(nome); it != sketch_.end()) it->second->setChecked(true);
    QString n = QString::fromStdString(nome).toHtmlEscaped();
    const QString comandi =
        nome == "libero" ? righeLibere(scheda_.opzioniLibere()) : comandiSketch(nome);
    descrizione_->setText("<b>" + n + "</b> — " + descrizioneBreve(nome).toHtmlEscaped() + "<br>" +
                          comandi.toHtmlEscaped());
    descrizione_->setAccessibleName(descrizione_->text());
}

void FinestraScheda::mostraAnalogico(int indice, int valore) {
    auto k = static_cast<size_t>(indice);
    {
        QSignalBlocker bs(analogici_[k]);
        QSignalBlocker bn(numeri_[k]);
        analogici_[k]->setValue(valore);
        numeri_[k]->setValue(valore);
    }
    volt_[k]->setText(volt(valore));
}

void FinestraScheda::aggiorna() {
    Pin p = scheda_.pin();
    for (size_t i = 0; i < 6; ++i)
        uscite_[i]->imposta(p.uscite[i]);
    for (size_t i = 0; i < 3; ++i)
        servo_[i]->imposta(p.servo[i]);

    if (std::string s = scheda_.sketch(); s != sketchMostrato_) mostraSketch(s);

    if (std::string c = scheda_.ultimoComando(); c != comandoMostrato_) {
        comandoMostrato_ = c;
        comando_->setText(byteHtml(c));
        comando_->setAccessibleDescription(byteVisibili(c));
    }
    if (std::string r = scheda_.ultimaRisposta(); r != rispostaMostrata_) {
        rispostaMostrata_ = r;
        risposta_->setText(byteHtml(r));
        risposta_->setAccessibleDescription(byteVisibili(r));
        lunghezza_->setText(QString("%1 caratteri").arg(r.size()));
    }

    bool collegata = scheda_.collegata();
    std::string slave = scheda_.percorsoSlave();
    if (static_cast<int>(collegata) != statoMostrato_ || slave != slaveMostrato_) {
        statoMostrato_ = collegata;
        slaveMostrato_ = slave;
        QString link = QString::fromStdString(scheda_.percorsoLink());
        QString porta = QFileInfo(link).fileName().toUpper();
        QString casa = QDir::homePath();
        if (link.startsWith(casa + "/")) link = "~" + link.mid(casa.size());
        QString testo =
            collegata ? QString(
                            "<span style='color:#2e7d32'>●</span> <b>Collegata</b> — il programma "
                            "la apre come <b>%1</b>: <tt>%2</tt> → <tt>%3</tt>")
                            .arg(porta, link.toHtmlEscaped(),
                                 QString::fromStdString(slave).toHtmlEscaped())
                      : QString(
                            "<span style='color:#c62828'>●</span> <b>Scollegata</b> — <b>%1</b> "
                            "(<tt>%2</tt>) non porta a nessuna scheda")
                            .arg(porta, link.toHtmlEscaped());
        collegamento_->setText(testo);
        collegamento_->setAccessibleName(collegamento_->text());
    }
}

void FinestraScheda::aggiungiEvento(const QString& riga) {
    eventi_->appendPlainText(riga);
}

void FinestraScheda::dallaScheda(const std::string& evento) {
    QString riga =
        QTime::currentTime().toString("HH:mm:ss.zzz") + "  " + QString::fromStdString(evento);
    bool primo;
    {
        std::lock_guard lock(codaM_);
        primo = coda_.empty();
        coda_.push_back(std::move(riga));
    }
    // One hand-over per burst: a chatty program must not flood the window's queue.
    if (primo)
        QMetaObject::invokeMethod(
            this, [this] { consegnaEventi(); }, Qt::QueuedConnection);
}

void FinestraScheda::consegnaEventi() {
    std::vector<QString> righe;
    {
        std::lock_guard lock(codaM_);
        righe.swap(coda_);
    }
    // Only the last screenful matters when a burst is longer than the log.
    size_t da = righe.size() > kRigheEventi ? righe.size() - kRigheEventi : 0;
    QStringList testo;
    for (size_t i = da; i < righe.size(); ++i)
        testo << righe[i];
    if (!testo.isEmpty()) aggiungiEvento(testo.join('\n'));
}

int eseguiFinestra(Scheda& scheda, int argc, char** argv) {
    QApplication app(argc, argv);
    // Desktops match the window to its menu entry and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("lumetto-scheda"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("lumetto")));
    FinestraScheda finestra(scheda);
    finestra.show();
    std::thread servizio([&] {
        scheda.esegui();
        QMetaObject::invokeMethod(
            &app, [] { QApplication::quit(); }, Qt::QueuedConnection);
    });
    int rc = app.exec();
    scheda.ferma();
    servizio.join();
    return rc;
}

}  // namespace lumetto::scheda
