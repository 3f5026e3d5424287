#include "board/impianti.h"

#include <algorithm>
#include <cmath>

namespace lumetto::scheda {

double Rumore::operator()(double ampiezza) {
    return std::uniform_real_distribution<double>(-ampiezza, ampiezza)(gen_);
}

bool Rumore::caso(double p) {
    return std::uniform_real_distribution<double>(0, 1)(gen_) < p;
}

uint64_t Rumore::intero(uint64_t n) {
    return n == 0 ? 0 : gen_() % n;
}

namespace {

constexpr double kPi = 3.14159265358979323846;

// Moves x toward target with time constant tau (seconds).
double verso(double x, double target, double dt, double tau) {
    return x + (target - x) * (1 - std::exp(-dt / tau));
}

// An object in front of the sonar that wanders between 15 and 95 cm.
class Sonar : public Impianto {
    double d_ = 40, meta_ = 40;

  public:
    void passo(double dt, Rumore& r) override {
        if (r.caso(0.1)) meta_ = 15 + static_cast<double>(r.intero(81));
        d_ = verso(d_, meta_, dt, 6);
    }
    std::vector<Campo> valori() const override { return {Campo::numero(std::round(d_ * 10) / 10)}; }
};

// A room thermometer: slow swings around 21 degrees.
class Temperatura : public Impianto {
    double t_ = 0, T_ = 21;

  public:
    void passo(double dt, Rumore& r) override {
        t_ += dt;
        T_ = verso(T_, 21 + 1.5 * std::sin(t_ / 600) + r(0.3), dt, 30);
    }
    std::vector<Campo> valori() const override { return {Campo::numero(T_)}; }
};

// A room with a heater switched by a thermostat with 0.5 degrees of hysteresis.
class Termostato : public Impianto {
    double T_ = 18.5, umid_ = 55, set_ = 20;
    bool caldaia_ = true;

  public:
    void passo(double dt, Rumore& r) override {
        if (T_ < set_ - 0.5) caldaia_ = true;
        if (T_ > set_ + 0.5) caldaia_ = false;
        T_ = verso(T_, caldaia_ ? 26 : 12, dt, 400) + r(0.02);
        umid_ = std::clamp(verso(umid_, caldaia_ ? 45 : 60, dt, 900) + r(0.2), 20.0, 95.0);
    }
    std::vector<Campo> valori() const override {
        return {Campo::numero(T_), Campo::numero(umid_), Campo::numero(set_),
                Campo::acceso(caldaia_)};
    }
};

// A wheel with an encoder: angle in degrees, speed in rpm, turns counted.
class Encoder : public Impianto {
    double angolo_ = 0, giri_ = 0, rpm_ = 0, meta_ = 30;

  public:
    void passo(double dt, Rumore& r) override {
        if (r.caso(0.05)) meta_ = static_cast<double>(r.intero(61));
        rpm_ = verso(rpm_, meta_, dt, 4) + r(0.2);
        double gradi = rpm_ * 6 * dt;
        angolo_ = std::fmod(angolo_ + gradi + 360, 360);
        giri_ += gradi / 360;
    }
    std::vector<Campo> valori() const override {
        return {Campo::numero(angolo_), Campo::numero(rpm_), Campo::numero(std::floor(giri_))};
    }
};

// A board lying on a table that gets tilted now and then: it sees 1 g of gravity.
class Accelerometro : public Impianto {
    double beccheggio_ = 0, rollio_ = 0, metaB_ = 0, metaR_ = 0;
    double ax_ = 0, ay_ = 0, az_ = 1;

  public:
    void passo(double dt, Rumore& r) override {
        if (r.caso(0.08)) {
            metaB_ = r(0.6);
            metaR_ = r(0.6);
        }
        beccheggio_ = verso(beccheggio_, metaB_, dt, 3);
        rollio_ = verso(rollio_, metaR_, dt, 3);
        ax_ = -std::sin(beccheggio_) + r(0.01);
        ay_ = std::sin(rollio_) * std::cos(beccheggio_) + r(0.01);
        az_ = std::cos(rollio_) * std::cos(beccheggio_) + r(0.01);
    }
    std::vector<Campo> valori() const override {
        return {Campo::numero(ax_), Campo::numero(ay_), Campo::numero(az_)};
    }
};

// A DC motor whose speed follows its set point with a lag.
class Motore : public Impianto {
    double rpm_ = 0, set_ = 1200, t_ = 0;

  public:
    void passo(double dt, Rumore& r) override {
        t_ += dt;
        if (std::fmod(t_, 120) < dt) set_ = set_ == 1200 ? 1800 : 1200;
        rpm_ = verso(rpm_, set_, dt, 5) + r(5);
    }
    std::vector<Campo> valori() const override {
        return {Campo::numero(rpm_), Campo::numero(set_)};
    }
};

// A tank that a pump fills from the minimum switch up to the maximum one,
// while the users draw water from it.
class Livello : public Impianto {
    double h_ = 30;  // percent
    bool pompa_ = false;

  public:
    void passo(double dt, Rumore& r) override {
        h_ = std::clamp(h_ + dt * ((pompa_ ? 1.2 : 0) - 0.4 + r(0.1)), 0.0, 100.0);
        // The controller acts on the switches as they are now.
        if (h_ <= 20) pompa_ = true;
        if (h_ > 90) pompa_ = false;
    }
    std::vector<Campo> valori() const override {
        return {Campo::acceso(h_ > 20), Campo::acceso(h_ > 90), Campo::acceso(pompa_)};
    }
};

// Three cylinders in the sequence A+ B+ C+ A- B- C-, one move a step, started
// by START and halted by STOP.
class Pneumatica : public Impianto {
    int fase_ = 0;    // 0 .. 5 while running
    int attesa_ = 2;  // steps before the operator presses START again
    bool marcia_ = false, stop_ = false;
    std::array<bool, 3> fuori_{};  // cylinder extended

  public:
    void passo(double, Rumore& r) override {
        stop_ = r.caso(0.02);
        if (stop_) {
            marcia_ = false;
            return;
        }
        if (!marcia_) {
            if (--attesa_ <= 0) marcia_ = true, fase_ = 0;
            return;
        }
        int c = fase_ % 3;
        fuori_[c] = fase_ < 3;
        if (++fase_ == 6) marcia_ = false, attesa_ = 3;
    }
    std::vector<Campo> valori() const override {
        std::vector<Campo> v;
        for (bool f : fuori_) {
            v.push_back(Campo::acceso(!f));  // sensor A: retracted
            v.push_back(Campo::acceso(f));   // sensor B: extended
        }
        for (bool f : fuori_)
            v.push_back(Campo::acceso(f));  // valve of each cylinder
        v.push_back(Campo::acceso(marcia_));
        v.push_back(Campo::acceso(stop_));
        return v;
    }
};

// Four boilers in cascade heat the water of a plant: one more starts when the
// water is below the set point by more than the differential, one stops above.
class Cascata : public Impianto {
    double T_ = 55, set_ = 70, delta_ = 4, t_ = 0;
    int accese_ = 1;
    bool inverno_ = true;

  public:
    void passo(double dt, Rumore& r) override {
        t_ += dt;
        double domanda = 2.2 + 1.4 * std::sin(t_ / 300);  // boilers' worth of heat the users take
        if (T_ < set_ - delta_ && accese_ < 4) ++accese_;
        if (T_ > set_ + delta_ && accese_ > 0) --accese_;
        T_ = std::clamp(T_ + dt * 0.08 * (accese_ - domanda) + r(0.05), 20.0, 95.0);
    }
    std::vector<Campo> valori() const override {
        std::vector<Campo> v;
        for (int i = 0; i < 4; ++i)
            v.push_back(Campo::acceso(i < accese_));
        v.push_back(Campo::numero(T_));
        v.push_back(Campo::numero(set_));
        v.push_back(Campo::numero(delta_));
        v.push_back(Campo::acceso(inverno_));
        return v;
    }
};

// Two garden zones watered from a tank: a zone's valve opens when its soil is
// dry and closes when wet, the pump runs while a valve is open and the tank
// has water, and rain stops everything.
class Irrigazione : public Impianto {
    std::array<double, 2> umid_{42, 35};
    std::array<bool, 2> valvola_{};
    double livello_ = 80, temp_ = 24, t_ = 0;
    bool pioggia_ = false, pompa_ = false;

  public:
    void passo(double dt, Rumore& r) override {
        t_ += dt;
        temp_ = 24 + 6 * std::sin(t_ / 900) + r(0.1);
        if (r.caso(pioggia_ ? 0.05 : 0.01)) pioggia_ = !pioggia_;
        for (int z = 0; z < 2; ++z) {
            if (umid_[z] < 30) valvola_[z] = true;
            if (umid_[z] > 60 || pioggia_) valvola_[z] = false;
        }
        pompa_ = (valvola_[0] || valvola_[1]) && livello_ > 10;
        for (int z = 0; z < 2; ++z) {
            double acqua = (pompa_ && valvola_[z] ? 1.5 : 0) + (pioggia_ ? 0.6 : 0);
            umid_[z] = std::clamp(
                umid_[z] + dt * (acqua - 0.01 * temp_ * (z ? 1.4 : 1)) / 10 + r(0.1), 5.0, 95.0);
        }
        livello_ =
            std::clamp(livello_ + dt * ((pompa_ ? -0.3 : 0) + (pioggia_ ? 0.2 : 0.02)), 0.0, 100.0);
    }
    std::vector<Campo> valori() const override {
        return {Campo::numero(umid_[0]),    Campo::numero(umid_[1]), Campo::acceso(pioggia_),
                Campo::numero(livello_),    Campo::acceso(pompa_),   Campo::acceso(valvola_[0]),
                Campo::acceso(valvola_[1]), Campo::numero(temp_)};
    }
};

// A room (or a greenhouse) kept at its set point by a heater and an air
// conditioner, with a fan for the humidity and a window that opens for air.
class Climatica : public Impianto {
    double est_ = 8, tint_ = 17, set_ = 21, umid_ = 55, co2_ = 600, t_ = 0;
    bool caldaia_ = false, condiz_ = false, vent_ = false, finestra_ = false;

  public:
    void passo(double dt, Rumore& r) override {
        t_ += dt;
        est_ = 12 + 14 * std::sin(t_ / 1200) + r(0.1);  // a day outside, compressed
        caldaia_ = tint_ < set_ - 0.5 || (caldaia_ && tint_ < set_ + 0.5);
        condiz_ = tint_ > set_ + 1.5 || (condiz_ && tint_ > set_ + 0.5);
        if (co2_ > 1200) finestra_ = true;
        if (co2_ < 700) finestra_ = false;
        vent_ = umid_ > 65 || (vent_ && umid_ > 55);
        double riscalda = (caldaia_ ? 2.0 : 0) - (condiz_ ? 1.5 : 0);
        double perdita = 0.004 * (finestra_ ? 4 : 1) * (tint_ - est_);
        tint_ = tint_ + dt * (riscalda * 0.01 - perdita) + r(0.02);
        umid_ = std::clamp(
            umid_ + dt * (0.05 - (vent_ ? 0.15 : 0) - (finestra_ ? 0.05 : 0)) + r(0.2), 25.0, 95.0);
        co2_ = std::clamp(co2_ + dt * (2.0 - (finestra_ ? 9.0 : 0.4)) + r(3), 400.0, 2500.0);
    }
    std::vector<Campo> valori() const override {
        return {Campo::numero(est_),    Campo::numero(tint_), Campo::numero(set_),
                Campo::numero(umid_),   Campo::numero(co2_),  Campo::acceso(caldaia_),
                Campo::acceso(condiz_), Campo::acceso(vent_), Campo::acceso(finestra_)};
    }
};

// A solar thermal plant: the collector follows the sun, the pump starts when
// the collector is 6 degrees warmer than the bottom of the tank and stops
// under 2; a heater tops the tank up in the evening, and a diverting valve
// dumps heat when the tank is too hot.
class Solare : public Impianto {
    // The plant's day starts at nine in the morning: whoever presses the
    // button sees the sun on the collector, not a night.
    double t_ = 0.375 * 3600, irr_ = 0, coll_ = 18, basso_ = 35, alto_ = 40, amb_ = 15;
    bool pompa_ = false, integ_ = false, valvola_ = false;

  public:
    void passo(double dt, Rumore& r) override {
        t_ += dt;
        double giorno = std::fmod(t_ / 3600, 1.0);  // a day of the plant lasts an hour of the lab
        double sole = std::sin(kPi * (giorno - 0.2) / 0.6);
        irr_ = std::max(0.0, 950 * sole + r(15));
        if (giorno < 0.2 || giorno > 0.8) irr_ = 0;
        double dT = coll_ - basso_;
        if (dT > 6) pompa_ = true;
        if (dT < 2) pompa_ = false;
        if (alto_ < 42) integ_ = true;
        if (alto_ > 48) integ_ = false;
        if (alto_ > 75) valvola_ = true;
        if (alto_ < 65) valvola_ = false;
        double scambio = pompa_ ? 0.05 * dT : 0;
        coll_ += dt * (0.0009 * irr_ * (valvola_ ? 0.5 : 1) - 0.004 * (coll_ - amb_) - scambio) +
                 r(0.05);
        basso_ += dt * (0.25 * scambio - 0.0006 * (basso_ - amb_) - 0.01 * (basso_ - alto_) / 4);
        alto_ += dt * (0.01 * (basso_ - alto_) / 4 + (integ_ ? 0.02 : 0) - 0.0004 * (alto_ - amb_) +
                       (pompa_ ? 0.05 * scambio : 0));
    }
    std::vector<Campo> valori() const override {
        return {Campo::numero(coll_),  Campo::numero(basso_),         Campo::numero(alto_),
                Campo::numero(irr_),   Campo::numero(coll_ - basso_), Campo::acceso(pompa_),
                Campo::acceso(integ_), Campo::acceso(valvola_)};
    }
};

// An oven under PI control: proportional band in degrees, integral time in
// seconds, the action in percent of the heater's power.
class RegolazionePI : public Impianto {
    double T_ = 20, set_ = 50, banda_ = 10, ti_ = 120, t_ = 0, azi_ = 0, azp_ = 0, azt_ = 0;

  public:
    void passo(double dt, Rumore& r) override {
        t_ += dt;
        double e = set_ - T_;
        azp_ = 100 * e / banda_;
        azi_ = std::clamp(azi_ + 100 * e / banda_ * dt / ti_, -100.0, 100.0);
        azt_ = std::clamp(azp_ + azi_, 0.0, 100.0);
        T_ = verso(T_, 20 + 0.8 * azt_, dt, 90) + r(0.05);
    }
    std::vector<Campo> valori() const override {
        return {Campo::numero(T_),     Campo::numero(set_), Campo::numero(set_ - T_),
                Campo::numero(banda_), Campo::numero(t_),   Campo::numero(azp_),
                Campo::numero(azi_),   Campo::numero(azt_)};
    }
};

// The pupils' own sketch: twelve channels of a data logger, slow waves and noise.
class Utente : public Impianto {
    double t_ = 0;
    std::array<double, 12> v_{};

  public:
    void passo(double dt, Rumore& r) override {
        t_ += dt;
        for (size_t i = 0; i < v_.size(); ++i)
            v_[i] = 10.0 * static_cast<double>(i + 1) +
                    5 * std::sin(t_ / (60.0 + 20.0 * static_cast<double>(i))) + r(0.2);
    }
    std::vector<Campo> valori() const override {
        std::vector<Campo> v;
        for (double x : v_)
            v.push_back(Campo::numero(x));
        return v;
    }
};

template <typename T>
std::unique_ptr<Impianto> fai() {
    return std::make_unique<T>();
}

}  // namespace

std::unique_ptr<Impianto> creaImpianto(const std::string& nome) {
    if (nome == "sonar") return fai<Sonar>();
    if (nome == "temperatura") return fai<Temperatura>();
    if (nome == "termostato") return fai<Termostato>();
    if (nome == "encoder") return fai<Encoder>();
    if (nome == "accelerometro") return fai<Accelerometro>();
    if (nome == "motore") return fai<Motore>();
    if (nome == "livello") return fai<Livello>();
    if (nome == "pneumatica") return fai<Pneumatica>();
    if (nome == "cascata") return fai<Cascata>();
    if (nome == "irrigazione") return fai<Irrigazione>();
    if (nome == "climatica") return fai<Climatica>();
    if (nome == "solare") return fai<Solare>();
    if (nome == "pi") return fai<RegolazionePI>();
    if (nome == "utente") return fai<Utente>();
    return nullptr;
}

}  // namespace lumetto::scheda
