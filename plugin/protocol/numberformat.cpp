// The host protocol's fixed-width number texts (eight characters at most).
#include <cmath>
#include <cstdio>
#include <cstring>

#include "plugin/protocol/audioeffect.h"

void AudioEffect::long2string(long value, char* text) {
    if (!text) return;
    if (value > 99999999) {
        strcpy(text, "Huge!");
        return;
    }
    char buffer[32];
    snprintf(buffer, sizeof(buffer), "%7ld", value);
    buffer[8] = '\0';
    strcpy(text, buffer);
}

void AudioEffect::float2string(float value, char* text) {
    if (!text) return;
    double v = value;
    if (std::isnan(v)) {
        strcpy(text, "NaN");
        return;
    }
    int c = 0;
    bool negative = false;
    if (v < 0) {
        if (-v > 9999999.0) {
            strcpy(text, "Huge!");
            return;
        }
        negative = true;
        v = -v;
        c = 1;
    } else if (v > 99999999.0) {
        strcpy(text, "Huge!");
        return;
    }

    // Integer part, right to left, then the point.
    char buffer[32];
    char* s = buffer + 31;
    *s-- = '\0';
    *s-- = '.';
    c++;
    double integer = std::floor(v);
    do {
        *s-- = static_cast<char>('0' + static_cast<int>(std::fmod(integer, 10.0)));
        integer /= 10.0;
        c++;
    } while (integer >= 1.0 && c < 8);
    if (negative) *s-- = '-';
    strcpy(text, s + 1);
    if (c >= 8) return;

    // Exactly 8 - c fraction digits, right to left.
    s = buffer + 31;
    *s-- = '\0';
    double fraction = std::fmod(v, 1.0) * std::pow(10.0, 8 - c);
    for (; c < 8; c++) {
        if (fraction <= 0) {
            *s-- = '0';
        } else {
            *s-- = static_cast<char>('0' + static_cast<int>(std::fmod(fraction, 10.0)));
            fraction /= 10.0;
        }
    }
    strcat(text, s + 1);
}

void AudioEffect::dB2string(float value, char* text) {
    if (!text) return;
    if (value <= 0)
        strcpy(text, "-oo");
    else
        float2string(static_cast<float>(20.0 * std::log10(value)), text);
}

void AudioEffect::Hz2string(float samples, char* text) {
    if (!text) return;
    if (samples == 0)
        float2string(0, text);
    else
        float2string(sampleRate / samples, text);
}

void AudioEffect::ms2string(float samples, char* text) {
    if (!text) return;
    float2string(static_cast<float>(samples * 1000.0 / sampleRate), text);
}
