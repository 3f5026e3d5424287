// The line, the command letters, the answer to "?", the reply frame and the
// panels' commands; a calibration command is taken wherever a letter is.
#include "Lumetto.h"

namespace {
const char* nomeSketch = "";
}  // namespace

void lumettoInizia(const char* nome) {
    nomeSketch = nome;
    Serial.begin(9600, SERIAL_7E1);
}

void lumettoPresentati() {
    Serial.print(F("Lumetto "));
    Serial.print(nomeSketch);
    Serial.print(' ');
    Serial.print(lumetto::trama::kVersione);
    Serial.print(F("\r\n"));
}

char lumettoComando(const char* lettere) {
    while (Serial.available() > 0) {
        // Seven data bits on the line: the eighth is never a character's.
        const char c = static_cast<char>(Serial.read() & 0x7F);
        if (c == lumetto::trama::kChiChiede) {
            lumettoPresentati();
            continue;
        }
        if (lumetto::interno::leggiTaratura(c)) continue;
        for (const char* l = lettere; *l; ++l)
            if (*l == c) return c;
    }
    return 0;
}

void LumettoTrama::campo(const char* testo) {
    if (resto_ < lumetto::trama::kCampo) return;  // never longer than the frame
    Serial.write(reinterpret_cast<const uint8_t*>(testo), lumetto::trama::kCampo);
    resto_ = static_cast<uint8_t>(resto_ - lumetto::trama::kCampo);
}

void LumettoTrama::numero(float valore) {
    char c[lumetto::trama::kCampo];
    lumetto::trama::numero(valore, c);
    campo(c);
}

void LumettoTrama::acceso(bool on) {
    stato(on ? 1 : 0);
}

void LumettoTrama::stato(uint8_t s) {
    char c[lumetto::trama::kCampo];
    lumetto::trama::stato(s, c);
    campo(c);
}

void LumettoTrama::fine() {
    // Blanks where fields are missing, then the ending the virtual board
    // writes too (lumetto::trama::fine: blanks and "\r\n", or "\n").
    while (resto_ > lumetto::trama::kCampo) {
        Serial.write(' ');
        --resto_;
    }
    char coda[lumetto::trama::kCampo];
    lumetto::trama::fine(resto_, coda);
    Serial.write(reinterpret_cast<const uint8_t*>(coda), resto_);
    resto_ = 0;
}

bool lumettoChiuso(uint8_t pin) {
    return digitalRead(pin) == LOW;
}

LumettoComandi::Comando LumettoComandi::leggi() {
    Comando nessuno = {Nessuno, 0, 0, false, 0};
    while (Serial.available() > 0) {
        const char c = static_cast<char>(Serial.read() & 0x7F);
        // Who the board is, between two characters of a command too.
        if (c == lumetto::trama::kChiChiede) {
            lumettoPresentati();
            continue;
        }
        if (lumetto::interno::leggiTaratura(c)) {
            attesa_ = 0;  // a calibration command ends a half one
            continue;
        }
        // The panels send a command's characters back to back: after 50 ms
        // of silence a half command is stale.
        if (attesa_ != 0 && millis() - dal_ > 50) attesa_ = 0;
        if (attesa_ != 0 && c >= '0' && c <= '9') {
            valore_ = static_cast<uint16_t>(valore_ * 10 + (c - '0'));
            ++cifre_;
            if (attesa_ != 'S') {
                const char comando = attesa_;
                attesa_ = 0;
                if (valore_ >= 1 && valore_ <= 6) {
                    Comando u = {Uscita, 0, static_cast<uint8_t>(valore_), comando == 'H', 0};
                    return u;
                }
            } else if (cifre_ == 4) {
                attesa_ = 0;
                const uint8_t n = static_cast<uint8_t>(valore_ / 1000);
                const uint16_t gradi = valore_ % 1000;
                if (n >= 1 && n <= 3 && gradi <= 180) {
                    Comando s = {Servo, 0, n, false, static_cast<uint8_t>(gradi)};
                    return s;
                }
            }
            continue;
        }
        attesa_ = 0;  // anything else ends a half command
        if (c == 'H' || c == 'L' || c == 'S') {
            attesa_ = c;
            cifre_ = 0;
            valore_ = 0;
            dal_ = millis();
        } else if (c == 'A') {
            Comando a = {Lettera, 'A', 0, false, 0};
            return a;
        }
    }
    return nessuno;
}
