#pragma once

#include <QByteArray>

#include <cstdio>

// "$BODY" with its checksum and CR LF, as a logger writes it.
inline QByteArray Sentence(const char* body)
{
    unsigned sum = 0;
    for (const char* p = body + 1; *p; ++p)
        sum ^= static_cast<unsigned char>(*p);
    char line[200];
    std::snprintf(line, sizeof line, "%s*%02X\r\n", body, sum);
    return line;
}
