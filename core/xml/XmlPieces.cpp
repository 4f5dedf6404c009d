#include "core/xml/XmlPieces.h"

#include "core/threads/WaitCondition.h"
#include "core/util/Win32Handle.h"
#include "core/xml/XmlFileStream.h"

#include <windows.h>

#include <algorithm>
#include <deque>
#include <mutex>
#include <thread>

namespace {

constexpr uint32_t kMaxThreads = 8;
// A piece that grows beyond this is declined: a unit that large gains nothing from threads.
constexpr uint32_t kMaxPieceBytes = 64u << 20;
// Read beyond what a cut needs, so that few bytes are carried over from piece to piece.
constexpr uint32_t kReadAhead = 64u << 10;
// Threads of the reader never recurse: a small stack leaves a 32-bit address space its room.
constexpr unsigned kStackBytes = 256u << 10;

bool isUtf16(int32_t encoding) {
    return encoding == kXmlEncodingUtf16Le || encoding == kXmlEncodingUtf16Be;
}

} // namespace

XmlPieceStream::XmlPieceStream(const std::vector<uint8_t>& bytes, int32_t encoding, uint64_t fileOffset)
    : inner_(bytes.data(), encoding, static_cast<int32_t>(bytes.size())),
      base_(static_cast<int64_t>(fileOffset)),
      length_(static_cast<int64_t>(bytes.size())),
      unitBytes_(isUtf16(encoding) ? 2 : 1) {}

// Reads the file from front to back and cuts it before start tags of one element, in whole
// units of the encoding.
class XmlPieceReader::Cutter {
public:
    Cutter(HANDLE file, int32_t encoding, uint64_t start, const char* tag)
        : file_(file), encoding_(encoding), unitBytes_(isUtf16(encoding) ? 2 : 1), offset_(start), tag_(tag) {}

    Win32Handle& file() { return file_; }

    // Moves into out the bytes from the current offset up to the first cut at or after nominal
    // bytes on, or up to the end of the file (last is then set). False when the file cannot be
    // read or the piece would grow beyond maxBytes.
    bool next(uint32_t nominal, uint32_t maxBytes, std::vector<uint8_t>& out, uint64_t& offset, bool& last) {
        const size_t tagUnits = tag_.size() + 2;
        size_t from = (nominal + unitBytes_ - 1) / unitBytes_ * unitBytes_;
        for (;;) {
            const size_t need = from + tagUnits * unitBytes_;
            if (pending_.size() < need && !ended_ && !read(need - pending_.size() + kReadAhead))
                return false;
            const size_t cut = find(from);
            if (cut != kNone || (ended_ && pending_.size() < need)) {
                last = cut == kNone;
                const size_t length = last ? pending_.size() : cut;
                // The piece keeps the buffer it was read into; only the bytes after the cut move.
                carry_.assign(pending_.begin() + static_cast<ptrdiff_t>(length), pending_.end());
                pending_.resize(length);
                out.swap(pending_);
                pending_.swap(carry_);
                offset = offset_;
                offset_ += length;
                return true;
            }
            if (pending_.size() > maxBytes)
                return false;
            // Look again from where the last look could not see a whole tag.
            from = std::max(from, pending_.size() - (tagUnits - 1) * unitBytes_);
        }
    }

private:
    static constexpr size_t kNone = static_cast<size_t>(-1);

    bool read(size_t bytes) {
        const size_t old = pending_.size();
        pending_.resize(old + bytes);
        DWORD got = 0;
        const bool ok = ReadFile(file_.get(), pending_.data() + old, static_cast<DWORD>(bytes), &got, nullptr) != 0;
        pending_.resize(old + got);
        if (ok && got < bytes)
            ended_ = true;
        return ok;
    }

    uint32_t unitAt(size_t i) const {
        if (unitBytes_ == 1)
            return pending_[i];
        return encoding_ == kXmlEncodingUtf16Le ? pending_[i] | (pending_[i + 1] << 8)
                                                : (pending_[i] << 8) | pending_[i + 1];
    }

    // The first cut whose units lie wholly in what was read, at or after from.
    size_t find(size_t from) const {
        const size_t u = unitBytes_;
        const size_t units = tag_.size() + 2;
        for (size_t i = from; i + units * u <= pending_.size(); i += u) {
            if (unitAt(i) != '<')
                continue;
            size_t k = 0;
            while (k < tag_.size() && unitAt(i + (k + 1) * u) == static_cast<uint8_t>(tag_[k]))
                ++k;
            if (k < tag_.size())
                continue;
            const uint32_t after = unitAt(i + (k + 1) * u);
            if (after == ' ' || after == '\t' || after == '\r' || after == '\n' || after == '>' || after == '/')
                return i;
        }
        return kNone;
    }

    Win32Handle file_;
    int32_t encoding_;
    size_t unitBytes_;
    uint64_t offset_;
    std::string tag_;
    bool ended_ = false;
    std::vector<uint8_t> pending_;
    std::vector<uint8_t> carry_;
};

// One run: the pieces in flight and the threads that read them.
struct XmlPieceReader::Run {
    const Read& read;
    std::atomic<bool> abandon{false};
    WaitLock lock;
    WaitCondition workAvailable;
    WaitCondition pieceDone;
    std::deque<Piece*> queue;
    std::vector<Piece*> done;
    bool quit = false;
    std::vector<HANDLE> threads;

    explicit Run(const Read& reader) : read(reader) {}
    ~Run() { end(); }

    static DWORD WINAPI entry(void* self) {
        static_cast<Run*>(self)->work();
        return 0;
    }

    bool isDone(Piece* piece) const { return std::find(done.begin(), done.end(), piece) != done.end(); }

    void work() {
        for (;;) {
            Piece* piece = nullptr;
            {
                std::lock_guard<WaitLock> guard(lock);
                workAvailable.wait(lock, [&] { return quit || !queue.empty(); });
                if (quit)
                    return;
                piece = queue.front();
                queue.pop_front();
            }
            read(*piece, abandon);
            {
                std::lock_guard<WaitLock> guard(lock);
                done.push_back(piece);
            }
            pieceDone.wakeOne();
        }
    }

    // Ends and joins the threads; pieces not yet read are dropped.
    void end() {
        abandon.store(true, std::memory_order_relaxed);
        {
            std::lock_guard<WaitLock> guard(lock);
            quit = true;
            queue.clear();
        }
        workAvailable.wakeAll();
        for (HANDLE thread : threads) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
        threads.clear();
    }
};

XmlPieceReader::XmlPieceReader(const std::wstring& path, const char* tag) {
    int32_t bomLength = 0;
    if (!XmlFileStream::detectEncoding(path, encoding_, bomLength))
        return;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    cutter_.reset(new Cutter(file, encoding_, static_cast<uint64_t>(bomLength), tag));
    LARGE_INTEGER size;
    LARGE_INTEGER start;
    start.QuadPart = bomLength;
    if (!cutter_->file() || !GetFileSizeEx(file, &size) || !SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
        cutter_.reset();
        return;
    }
    fileSize_ = static_cast<uint64_t>(size.QuadPart);
}

XmlPieceReader::~XmlPieceReader() = default;

bool XmlPieceReader::good() const { return cutter_ != nullptr; }

uint32_t XmlPieceReader::defaultThreads() {
    const unsigned processors = std::thread::hardware_concurrency();
    return processors > kMaxThreads ? kMaxThreads : processors;
}

bool XmlPieceReader::readHead(uint32_t maxBytes, Piece& head) {
    return cutter_ && cutter_->next(0, maxBytes, head.bytes, head.offset, head.last) && !head.last;
}

XmlPieceReader::Outcome XmlPieceReader::run(uint32_t threads, uint32_t pieceBytes, const std::atomic<bool>* stopFlag,
                                            const MakePiece& makePiece, const Read& read, const Take& take) {
    const auto stopped = [&] { return stopFlag && stopFlag->load(std::memory_order_relaxed); };
    threads = std::min(threads, kMaxThreads);
    if (!cutter_ || threads < 2)
        return Outcome::Declined;
    pieceBytes = std::max<uint32_t>(pieceBytes, 1);

    // Enough pieces that every thread has one to read while those before it are taken; few
    // enough that they cost little memory. Made before the run, whose end joins the threads
    // that may still be reading them.
    const size_t ringSize = threads + 4;
    std::vector<std::unique_ptr<Piece>> ring;
    for (size_t i = 0; i < ringSize; ++i)
        ring.push_back(makePiece());
    Run run(read);
    for (uint32_t i = 0; i < threads; ++i) {
        HANDLE thread = CreateThread(nullptr, kStackBytes, &Run::entry, &run, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (!thread)
            break;
        run.threads.push_back(thread);
    }
    if (run.threads.size() < 2)
        return Outcome::Declined;

    uint64_t cut = 0;
    uint64_t taken = 0;
    bool ended = false;
    for (;;) {
        if (stopped())
            return Outcome::Stopped;
        while (!ended && cut - taken < ringSize) {
            Piece& piece = *ring[cut % ringSize];
            if (!cutter_->next(pieceBytes, kMaxPieceBytes, piece.bytes, piece.offset, piece.last))
                return Outcome::Declined;
            ended = piece.last;
            {
                std::lock_guard<WaitLock> guard(run.lock);
                run.queue.push_back(&piece);
            }
            run.workAvailable.wakeOne();
            ++cut;
        }
        if (taken == cut)
            return Outcome::Done;
        Piece* piece = ring[taken % ringSize].get();
        {
            std::lock_guard<WaitLock> guard(run.lock);
            // Woken by each piece done; the stop flag is looked at every 20 ms meanwhile.
            if (!run.pieceDone.waitFor(run.lock, 20, [&] { return run.isDone(piece); }))
                continue;
            run.done.erase(std::find(run.done.begin(), run.done.end(), piece));
        }
        if (!take(*piece))
            return stopped() ? Outcome::Stopped : Outcome::Declined;
        ++taken;
    }
}
