#pragma once
// Work over one generation of the result, off the window's thread: the
// search, the overview's drawing, a comparison against a chosen baseline.
//
// A job reads the generation it was started with and nothing else of the
// window's, computes into plain memory (never GDI: those objects belong to
// the window's thread), and hands what it made, with that generation and its
// ticket, to a deliver function on its own thread; on Windows that posts a
// message whose heap payload the window owns. The window keeps the slot and
// is the only one to call it. Starting a job cancels the one before; an
// answer counts only when the slot still waits for its ticket and the window
// still shows its generation, so a late answer of a cancelled job, or one
// made from a result the window has since replaced, is dropped.

#include <cstdint>
#include <exception>
#include <thread>
#include <utility>

#include "base/cancel.h"
#include "model/result_generation.h"

namespace tw {

// What a job made, with what it was made from.
template <typename T>
struct JobAnswer {
  ResultGeneration generation;  // the generation the job read
  std::uint64_t ticket = 0;     // the start it answers
  bool failed = false;          // the work threw (out of memory); value is empty
  T value{};
};

// One kind of job: at most one start of it matters at a time.
class JobSlot {
 public:
  JobSlot() = default;
  JobSlot(const JobSlot&) = delete;
  JobSlot& operator=(const JobSlot&) = delete;
  ~JobSlot() { Cancel(); }

  // Cancels the job before, then runs work(*generation, cancel) on a thread
  // of its own and passes its answer to deliver(JobAnswer<T>&&) there. A job
  // cancelled before it ends delivers nothing. Returns the new job's ticket,
  // or 0 when no thread could be started (nothing runs then). `generation`
  // must not be null.
  template <typename T, typename Work, typename Deliver>
  std::uint64_t Start(ResultGeneration generation, Work work, Deliver deliver) {
    Cancel();
    const CancelFlag cancel;
    const std::uint64_t ticket = next_ticket_++;
    try {
      std::thread([generation = std::move(generation), cancel, ticket, work = std::move(work),
                   deliver = std::move(deliver)]() mutable {
        JobAnswer<T> answer;
        answer.ticket = ticket;
        try {
          answer.value = work(*generation, cancel);
        } catch (...) {
          answer.failed = true;
        }
        if (cancel.cancelled()) return;
        answer.generation = std::move(generation);
        deliver(std::move(answer));
      }).detach();
    } catch (const std::exception&) {
      return 0;
    }
    cancel_ = cancel;
    waiting_for_ = ticket;
    return ticket;
  }

  // Cancels the job under way, if any; its answer, should it still arrive,
  // is not accepted.
  void Cancel() {
    cancel_.Cancel();
    waiting_for_ = 0;
  }

  // Whether an answer is the one the slot waits for and was made from the
  // generation the window shows. Accepting it ends the wait.
  template <typename T>
  bool Accept(const JobAnswer<T>& answer, const ResultGeneration& shown) {
    if (answer.ticket == 0 || answer.ticket != waiting_for_ || answer.generation != shown) return false;
    waiting_for_ = 0;
    return true;
  }

  // A job was started and its answer has not been accepted or cancelled.
  bool busy() const { return waiting_for_ != 0; }

 private:
  CancelFlag cancel_;
  std::uint64_t next_ticket_ = 1;
  std::uint64_t waiting_for_ = 0;
};

}  // namespace tw
