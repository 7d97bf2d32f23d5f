#include "SmallNumbers.h"

bool declaresOnlySmallNumbers(std::string_view text) {
    int depth = 0;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '!' || (c == '/' && i + 1 < text.size() && text[i + 1] == '/')) {
            while (i < text.size() && text[i] != '\n' && text[i] != '\r') {
                ++i;
            }
            continue;
        }
        if (c == '(' || c == ')') {
            depth += c == '(' ? 1 : (depth > 0 ? -1 : 0);
            ++i;
            continue;
        }
        const bool startsNumber = (c >= '0' && c <= '9') || c == '.';
        if (depth > 0 || !startsNumber) {
            ++i;
            continue;
        }
        int magnitude = 0;
        bool leading = true;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            leading = leading && text[i] == '0';
            magnitude += leading ? 0 : 1;
        }
        while (i < text.size() && ((text[i] >= '0' && text[i] <= '9') || text[i] == '.')) {
            ++i;
        }
        if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
            ++i;
            const bool negative = i < text.size() && text[i] == '-';
            if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
                ++i;
            }
            int exponent = 0;
            for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
                exponent = exponent > 100 ? exponent : exponent * 10 + (text[i] - '0');
            }
            magnitude += negative ? -exponent : exponent;
        }
        if (magnitude > 6) {
            return false;
        }
    }
    return true;
}
