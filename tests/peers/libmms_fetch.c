/* A small libmms client for the tests: fetches an mms:// address the way
 * players built on libmms do (MMS over HTTP first, then MMS over TCP), writes
 * every byte libmms hands out into a file, and prints what libmms makes of
 * the stream.
 *
 *   libmms_fetch URL OUT [MAX_BYTES]
 *
 * Prints "seekable=N length=N header=N read=N" and exits 0 once the stream
 * ends or MAX_BYTES have been read; 1 when libmms cannot open it, 2 on wrong
 * usage. */
#include <libmms/mmsx.h>

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const long long limit = argc > 3 ? atoll(argv[3]) : -1;
    mmsx_t* mms = mmsx_connect(NULL, NULL, argv[1], 1000000000);
    FILE* out = mms ? fopen(argv[2], "wb") : NULL;
    if (!out) {
        fprintf(stderr, "libmms could not open %s\n", argv[1]);
        return 1;
    }
    char buffer[65536];
    long long total = 0;
    int got = 0;
    /* Whole reads: MAX_BYTES only bounds a live stream, it need not be exact. */
    while ((limit < 0 || total < limit) && (got = mmsx_read(NULL, mms, buffer, (int)sizeof buffer)) > 0)
        total += (long long)fwrite(buffer, 1, (size_t)got, out);
    fclose(out);
    printf("seekable=%d length=%u header=%u read=%lld\n", mmsx_get_seekable(mms), mmsx_get_length(mms),
           mmsx_get_asf_header_len(mms), total);
    mmsx_close(mms);
    return 0;
}
