// The line, the command letters, the reply frame and the pin-state reply.
#include "Lumetto.h"

void lumettoInizia() {
    Serial.begin(9600, SERIAL_7E1);
    // The converter at 250 kHz (16 MHz / 64) instead of the core's 125 kHz:
    // still within its full 10 bits, and a sensor read in a quarter of a
    // millisecond, so a sketch with five sensors answers within 2 ms.
    ADCSRA = static_cast<uint8_t>((ADCSRA & ~0x07) | _BV(ADPS2) | _BV(ADPS1));
    // The rate written again once the frame format is set: the timing of a
    // character is taken from both (an emulated UART counts it when the rate
    // is written, and the core writes the rate first). Same value: no effect
    // on a real board.
    UBRR0L = UBRR0L;
}

char lumettoComando(const char* lettere) {
    while (Serial.available() > 0) {
        // Seven data bits on the line: the eighth is never a character's.
        const char c = static_cast<char>(Serial.read() & 0x7F);
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

float lumettoVolt(uint8_t pin) {
    // The first conversion after the converter moves to another input is
    // still settling on the last one: read once and throw it away.
    analogRead(pin);
    long somma = 0;
    for (uint8_t i = 0; i < 4; ++i)
        somma += analogRead(pin);
    return somma / 4.0f * 5.0f / 1023.0f;
}

float lumettoLM35(uint8_t pin) {
    return lumettoVolt(pin) * 100.0f;
}

bool lumettoChiuso(uint8_t pin) {
    return digitalRead(pin) == LOW;
}

void lumettoAttiva(uint8_t pin, bool on) {
    digitalWrite(pin, on ? HIGH : LOW);
}

void lumettoStatoPin() {
    char slot[lumetto::trama::kCampo];
    for (uint8_t pin = 2; pin <= 7; ++pin) {
        lumetto::trama::slotdigitale(pin, digitalRead(pin) == HIGH, slot);
        Serial.write(reinterpret_cast<const uint8_t*>(slot), sizeof slot);
    }
    for (uint8_t canale = 0; canale < 6; ++canale) {
        lumetto::trama::slotanalogico(canale, analogRead(A0 + canale), slot);
        Serial.write(reinterpret_cast<const uint8_t*>(slot), sizeof slot);
    }
    Serial.print(lumetto::trama::finestatopin());
}

LumettoComandi::Comando LumettoComandi::leggi() {
    Comando nessuno = {Nessuno, 0, 0, false, 0};
    while (Serial.available() > 0) {
        const char c = static_cast<char>(Serial.read() & 0x7F);
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
