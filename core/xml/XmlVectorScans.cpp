#include "core/xml/XmlVectorScans.h"

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#define XML_VECTOR_SCANS 1
#endif

namespace xml_vector_scans {

namespace {

static_assert(xml_char_class::unitsOfClasses(kTextStops, {L'<', L'>', L'&', L'\0'}),
              "the scans below compare with the units of kTextStops");

inline bool isTextStop(wchar_t unit) {
    return unit == L'<' || unit == L'>' || unit == L'&' || unit == 0;
}

#ifdef XML_VECTOR_SCANS
bool haveVectors() {
#ifdef __x86_64__
    return true;
#else
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("sse2") != 0;
    }();
    return have;
#endif
}

__attribute__((target("sse2"))) size_t copyPlainAsciiSse2(const uint8_t* p, size_t bytes, wchar_t* d) {
    const __m128i zero = _mm_setzero_si128();
    size_t done = 0;
    while (done + 16 <= bytes) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + done));
        const unsigned special =
            static_cast<unsigned>(_mm_movemask_epi8(v) | _mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + done), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + done + 8), _mm_unpackhi_epi8(v, zero));
        if (special != 0) {
            return done + static_cast<size_t>(__builtin_ctz(special));
        }
        done += 16;
    }
    return done;
}

__attribute__((target("sse2"))) const wchar_t* findTextStopSse2(const wchar_t* p, const wchar_t* end) {
    const __m128i less = _mm_set1_epi16(L'<');
    const __m128i greater = _mm_set1_epi16(L'>');
    const __m128i ampersand = _mm_set1_epi16(L'&');
    const __m128i zero = _mm_setzero_si128();
    while (end - p >= 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, less), _mm_cmpeq_epi16(v, greater)),
                                          _mm_or_si128(_mm_cmpeq_epi16(v, ampersand), _mm_cmpeq_epi16(v, zero)));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (mask != 0) {
            return p + __builtin_ctz(mask) / 2;
        }
        p += 8;
    }
    while (p < end && !isTextStop(*p)) {
        ++p;
    }
    return p;
}
#endif

} // namespace

size_t copyPlainAscii(const uint8_t* p, size_t bytes, wchar_t* d) {
#ifdef XML_VECTOR_SCANS
    if (haveVectors()) {
        return copyPlainAsciiSse2(p, bytes, d);
    }
#endif
    (void)p;
    (void)bytes;
    (void)d;
    return 0;
}

const wchar_t* findTextStop(const wchar_t* p, const wchar_t* end) {
#ifdef XML_VECTOR_SCANS
    if (haveVectors()) {
        return findTextStopSse2(p, end);
    }
#endif
    while (p < end && !isTextStop(*p)) {
        ++p;
    }
    return p;
}

} // namespace xml_vector_scans
