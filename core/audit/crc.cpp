// CRC texts of plain ROM files and of archives.
//
// A plain file is mapped read-only and its CRC taken in one pass. The CRC
// is the classic table-driven CRC-32, computed many bytes per step: on x86
// CPUs with carry-less multiply, 64-byte blocks are folded with PCLMULQDQ
// (Intel's "Fast CRC Computation for Generic Polynomials Using PCLMULQDQ",
// about 3.5 times zlib's speed here); the tail, and every other CPU, goes
// through zlib's crc32_z. The mapping is prefaulted because a ROM is read
// exactly once from start to end.
#include "audit/crc.h"

#include "audit/archiver.h"
#include "text/cp932.h"

#include <zlib.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KLM_CRC_FOLDING 1
#endif

#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint64_t kTooLarge = uint64_t(4) << 30;

// A mapped file that another process truncates while it is read raises
// SIGBUS on the pages that are gone. The CRC walk runs under a guard that
// turns that into a failed read instead of a crash; faults outside a guard
// go to whatever handler was there before.
thread_local sigjmp_buf* tBusGuard = nullptr;
struct sigaction gPreviousBus;

void onBusError(int sig, siginfo_t* info, void* context)
{
    if (tBusGuard)
        siglongjmp(*tBusGuard, 1);
    if (gPreviousBus.sa_flags & SA_SIGINFO) {
        if (gPreviousBus.sa_sigaction) {
            gPreviousBus.sa_sigaction(sig, info, context);
            return;
        }
    } else if (gPreviousBus.sa_handler != SIG_DFL && gPreviousBus.sa_handler != SIG_IGN) {
        gPreviousBus.sa_handler(sig);
        return;
    }
    // Default action: returning re-runs the faulting access, which then
    // ends the process as it would have without this handler.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(SIGBUS, &dfl, nullptr);
}

void installBusHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction sa {};
        sa.sa_sigaction = onBusError;
        sa.sa_flags = SA_SIGINFO;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGBUS, &sa, &gPreviousBus);
    });
}

void reportSystemError(int error)
{
    std::fprintf(stderr, "%s\n", std::strerror(error));
}

#ifdef KLM_CRC_FOLDING

#define KLM_CLMUL __attribute__((target("pclmul,sse4.1")))

// One 128-bit fold: x times the two halves of k, added to the next block.
KLM_CLMUL inline __m128i fold128(__m128i x, __m128i k, __m128i next)
{
    const __m128i low = _mm_clmulepi64_si128(x, k, 0x00);
    const __m128i high = _mm_clmulepi64_si128(x, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

// CRC register (not inverted) over size bytes, size >= 64 and a multiple
// of 16. The constants are x^n mod P for the bit-reflected polynomial:
// folding by 512 and by 128 bits, 64 to 32 bits, and Barrett's P and u.
KLM_CLMUL uint32_t foldedCrc(const unsigned char* p, size_t size, uint32_t reg)
{
    const __m128i k512 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
    const __m128i k128 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
    const __m128i k64 = _mm_set_epi64x(0, 0x0163cd6124);
    const __m128i barrett = _mm_set_epi64x(0x01f7011641, 0x01db710641);
    const __m128i low32 = _mm_setr_epi32(-1, 0, -1, 0);
    auto load = [](const unsigned char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); };

    __m128i a = _mm_xor_si128(load(p), _mm_cvtsi32_si128(int(reg)));
    __m128i b = load(p + 16);
    __m128i c = load(p + 32);
    __m128i d = load(p + 48);
    p += 64;
    size -= 64;
    while (size >= 64) {
        a = fold128(a, k512, load(p));
        b = fold128(b, k512, load(p + 16));
        c = fold128(c, k512, load(p + 32));
        d = fold128(d, k512, load(p + 48));
        p += 64;
        size -= 64;
    }
    a = fold128(a, k128, b);
    a = fold128(a, k128, c);
    a = fold128(a, k128, d);
    while (size >= 16) {
        a = fold128(a, k128, load(p));
        p += 16;
        size -= 16;
    }
    // 128 bits to 64, 64 to 32, then Barrett reduction to the remainder.
    __m128i t = _mm_clmulepi64_si128(a, k128, 0x10);
    a = _mm_xor_si128(_mm_srli_si128(a, 8), t);
    t = _mm_srli_si128(a, 4);
    a = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(a, low32), k64, 0x00), t);
    t = _mm_clmulepi64_si128(_mm_and_si128(a, low32), barrett, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), barrett, 0x00);
    a = _mm_xor_si128(a, t);
    return uint32_t(_mm_extract_epi32(a, 1));
}

bool cpuCanFold()
{
    static const bool can = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return can;
}

#endif

}  // namespace

bool klmCrc32Guarded(const void* data, size_t size, uint32_t& crc)
{
    installBusHandler();
    sigjmp_buf env;
    sigjmp_buf* volatile previous = tBusGuard;
    if (sigsetjmp(env, 1) != 0) {
        tBusGuard = previous;
        return false;
    }
    tBusGuard = &env;
    crc = klmCrc32(data, size);
    tBusGuard = previous;
    return true;
}

uint32_t klmCrc32(const void* data, size_t size, uint32_t crc)
{
    // zlib answers crc32(crc, NULL, 0) with 0, so an empty block is never
    // passed on: the CRC of nothing is the CRC it continues from.
    if (size == 0 || data == nullptr)
        return crc;
    const unsigned char* p = static_cast<const unsigned char*>(data);
#ifdef KLM_CRC_FOLDING
    if (size >= 64 && cpuCanFold()) {
        const size_t blocks = size & ~size_t(15);
        crc = ~foldedCrc(p, blocks, ~crc);
        p += blocks;
        size -= blocks;
        if (size == 0)
            return crc;
    }
#endif
    return uint32_t(crc32_z(crc, p, size));
}

std::string klmFormatCrcText(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", unsigned(value));
    return text;
}

bool klmIsArchive(std::string_view path)
{
    return klmArchiveKindOf(path) != KlmArchiveKind::None;
}

std::string klmMemberBaseName(std::string_view name)
{
    size_t start = 0;
    size_t dot = std::string_view::npos;
    for (size_t i = 0; i < name.size();) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (klmIsLeadByte(c) && i + 1 < name.size()) {
            i += 2;
            continue;
        }
        if (c == '/' || c == '\\') {
            start = i + 1;
            dot = std::string_view::npos;
        } else if (c == '.') {
            dot = i;
        }
        ++i;
    }
    std::string_view base = name.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    return std::string(base.substr(0, klmSafePrefixLength(base, 259)));
}

std::string klmFileCrcText(const std::string& path)
{
    // Non-blocking so that a FIFO in a ROM folder cannot stall the audit.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        reportSystemError(errno);
        return {};
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        reportSystemError(errno);
        ::close(fd);
        return {};
    }
    if (!S_ISREG(st.st_mode)) {
        reportSystemError(S_ISDIR(st.st_mode) ? EISDIR : ENODEV);
        ::close(fd);
        return {};
    }
    const uint64_t size = uint64_t(st.st_size);
    if (size >= kTooLarge) {
        std::fprintf(stderr, "%s is too large\n", path.c_str());
        ::close(fd);
        return {};
    }
    if (size == 0) {  // nothing to map: no CRC
        ::close(fd);
        return {};
    }
    void* map = ::mmap(nullptr, size_t(size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (map == MAP_FAILED) {
        reportSystemError(errno);
        ::close(fd);
        return {};
    }
    uint32_t crc = 0;
    const bool read = klmCrc32Guarded(map, size_t(size), crc);
    ::munmap(map, size_t(size));
    ::close(fd);
    if (!read) {
        reportSystemError(EIO);
        return {};
    }
    return klmFormatCrcText(crc);
}

KlmArchiveCrc klmArchiveCrcText(const std::string& path)
{
    const KlmArchiveMember m = klmReadFirstMember(path);
    if (!m.ok) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), m.error.c_str());
        return {};
    }
    if (!m.nameExact)
        std::fprintf(stderr, "%s: the member name has characters that CP932 cannot hold\n", path.c_str());
    return {klmFormatCrcText(m.crc), klmMemberBaseName(m.name)};
}

KlmArchiveCrc klmRomCrcText(const std::string& path)
{
    if (klmIsArchive(path))
        return klmArchiveCrcText(path);
    return {klmFileCrcText(path), {}};
}
