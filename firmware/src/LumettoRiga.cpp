// A line of the free stream ("luce:43,temp:21.5"), as the Serial Plotter and
// Lumetto's free experiment read it.
#include "Lumetto.h"

namespace {

// A name's character that would cut the line in the wrong place goes as "_".
void carattereDelNome(char c) {
    const bool separa = c == ',' || c == ':' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
    Serial.write(separa ? '_' : c);
}

}  // namespace

void LumettoRiga::separa() {
    if (!primo_) Serial.write(',');
    primo_ = false;
}

void LumettoRiga::valore(const char* nome, float v, uint8_t decimali) {
    separa();
    if (nome != nullptr && *nome != '\0') {
        for (; *nome != '\0'; ++nome)
            carattereDelNome(*nome);
        Serial.write(':');
    }
    Serial.print(v, decimali);
}

void LumettoRiga::valore(const __FlashStringHelper* nome, float v, uint8_t decimali) {
    separa();
    const char* p = reinterpret_cast<const char*>(nome);
    if (p != nullptr && pgm_read_byte(p) != 0) {
        for (char c; (c = static_cast<char>(pgm_read_byte(p))) != '\0'; ++p)
            carattereDelNome(c);
        Serial.write(':');
    }
    Serial.print(v, decimali);
}

void LumettoRiga::fine() {
    Serial.print(F("\r\n"));
    primo_ = true;
}
