/* SPDX-License-Identifier: MIT */
/* The header line of a record entry, "K n1 n2 ...\n", as both recorders
   write it (record.h reads it). Returns its length. */
#ifndef TAVELIN_CRASH_RECORD_HEADER_H
#define TAVELIN_CRASH_RECORD_HEADER_H

#include <stdio.h>

enum { kRecordHeaderSize = 256 };

static inline int RecordHeader(char header[kRecordHeaderSize], char kind, const long long* numbers, int count)
{
    int used = snprintf(header, kRecordHeaderSize, "%c", kind);
    for (int i = 0; i < count; ++i)
        used += snprintf(header + used, kRecordHeaderSize - (size_t)used, " %lld", numbers[i]);
    header[used++] = '\n';
    return used;
}

#endif
