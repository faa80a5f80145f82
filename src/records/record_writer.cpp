#include "records/record_writer.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "records/record_store.h"

namespace corvane::records {

namespace {

// Events kept for another try while the store cannot be written; beyond this the oldest go.
constexpr std::size_t kMostKept = 10000;

}  // namespace

class RecordWriter::Worker {
  public:
    explicit Worker(std::string location) : location_(std::move(location)) {
        thread_ = std::thread([this] { Run(); });
    }

    ~Worker() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

    void Write(ServiceEvent event) {
        if (event.uuid.empty()) {
            Fail("the service history cannot be written to " + location_ +
                 ": an event without a UUID was left out");
            return;
        }
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(event));
        }
        wake_.notify_one();
    }

    void Flush() {
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
    }

    std::optional<std::string> TakeFailure() {
        std::lock_guard lock(mutex_);
        return std::exchange(failure_, std::nullopt);
    }

    std::uint64_t WrittenCount() const { return written_.load(); }
    const std::string& Location() const { return location_; }

  private:
    // The first failure of the run is kept until taken; a later one is not reported again.
    // Losing events is, once, whatever was reported before.
    void Fail(const std::string& why, bool lost = false) {
        std::lock_guard lock(mutex_);
        if (lost && !lossReported_) {
            lossReported_ = true;
            failure_ = failure_ ? *failure_ + "; " + why : why;
            failed_ = true;
            return;
        }
        if (failed_) return;
        failed_ = true;
        failure_ = why;
    }

    void Run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) break;  // stopping, and everything handed over was tried
            // Taken over whole, so that Write waits for no copying.
            std::deque<ServiceEvent> taken;
            taken.swap(queue_);
            busy_ = true;
            lock.unlock();
            WriteBatch(std::vector<ServiceEvent>(std::make_move_iterator(taken.begin()),
                                                 std::make_move_iterator(taken.end())));
            lock.lock();
            busy_ = false;
            idle_.notify_all();
        }
        lock.unlock();
        // One last try for what failed before, then the store is closed in this thread, which
        // opened it.
        if (!kept_.empty()) WriteBatch({});
        store_.reset();
        // Said here unless the program says it itself.
        if (!kept_.empty() && !lossSaid_) {
            std::fprintf(stderr, "%zu service events could not be written to %s\n", kept_.size(),
                         location_.c_str());
        }
    }

    // Writes what failed before and then `batch`, in one transaction; keeps them all for the
    // next try when the store cannot be opened or written.
    void WriteBatch(std::vector<ServiceEvent> batch) {
        std::vector<ServiceEvent> events = std::move(kept_);
        kept_.clear();
        events.insert(events.end(), std::make_move_iterator(batch.begin()),
                      std::make_move_iterator(batch.end()));
        std::string error;
        if (!store_) store_ = RecordStore::Open(location_, error);
        if (store_ && store_->Add(events, error)) {
            written_ += events.size();
            unwritten_ = 0;
            return;
        }
        store_.reset();  // opened again for the next try
        Fail(error);
        if (events.size() > kMostKept) {
            const std::size_t dropped = events.size() - kMostKept;
            events.erase(events.begin(), events.begin() + static_cast<std::ptrdiff_t>(dropped));
            Fail("the service history cannot be written to " + location_ + ": the oldest " +
                     std::to_string(dropped) + " events waiting for it were dropped",
                 true);
        }
        kept_ = std::move(events);
        unwritten_ = kept_.size();
    }

    const std::string location_;
    std::thread thread_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<ServiceEvent> queue_;
    bool busy_ = false;
    bool stopping_ = false;
    std::optional<std::string> failure_;
    bool failed_ = false;
    bool lossReported_ = false;

    std::atomic<std::uint64_t> written_{0};

  public:
    std::atomic<std::size_t> unwritten_{0};  // events kept after a failed write
    std::atomic<bool> lossSaid_{false};      // the program says the loss itself

  private:
    // The worker thread's own.
    std::unique_ptr<RecordStore> store_;
    std::vector<ServiceEvent> kept_;
};

RecordWriter::RecordWriter(std::string location)
    : worker_(std::make_unique<Worker>(std::move(location))) {}

RecordWriter::~RecordWriter() = default;

std::size_t RecordWriter::Unwritten() const {
    return worker_->unwritten_;
}

void RecordWriter::LossSaidElsewhere() {
    worker_->lossSaid_ = true;
}

void RecordWriter::Write(ServiceEvent event) {
    worker_->Write(std::move(event));
}

void RecordWriter::Flush() {
    worker_->Flush();
}

std::optional<std::string> RecordWriter::TakeFailure() {
    return worker_->TakeFailure();
}

std::uint64_t RecordWriter::WrittenCount() const {
    return worker_->WrittenCount();
}

const std::string& RecordWriter::Location() const {
    return worker_->Location();
}

StoreHistory::StoreHistory(std::string location, const RecordWriter* writer)
    : location_(std::move(location)), writer_(writer) {}

StoreHistory::~StoreHistory() = default;

RecordStore* StoreHistory::Store(std::string& error) {
    if (!store_) store_ = RecordStore::Open(location_, error);
    return store_.get();
}

std::optional<std::vector<ServiceEvent>> StoreHistory::Events(const EventFilter& filter,
                                                              std::string& error) {
    RecordStore* store = Store(error);
    if (!store) return std::nullopt;
    auto events = store->Events(filter, error);
    if (!events) store_.reset();  // opened again at the next read
    return events;
}

std::optional<std::vector<SensorIdentity>> StoreHistory::Sensors(std::string& error) {
    RecordStore* store = Store(error);
    if (!store) return std::nullopt;
    auto sensors = store->Sensors(error);
    if (!sensors) store_.reset();
    return sensors;
}

std::uint64_t StoreHistory::WrittenCount() const {
    return writer_ ? writer_->WrittenCount() : 0;
}

}  // namespace corvane::records
