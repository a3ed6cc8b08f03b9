#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <variant>

namespace mw {

// The muxer's side of a transcode whose stages run on threads of their own: a thread that
// runs the muxer's jobs (write a packet, note where a stream stands, make a report) in
// exactly the order the single-thread loop would have run them.
//
// That order is a tree of slots. The loop opens one top-level slot per step (a packet read,
// a flush, a report). A stage that hands work to the next stage's thread opens a child slot
// at that point of its own slot and passes it along; the next stage puts its jobs (and the
// children it hands on) into that child and closes it when its part is done. The mux thread
// walks the tree depth first, waiting for each slot to fill or close, so the jobs run in the
// loop's order however the stages' threads interleave.
//
// At most `capacity` top-level slots are open or waiting at a time: opening one more waits,
// which holds the loop back and keeps the frames and packets in flight a handful.
class MuxOrder {
public:
    struct Slot;
    using SlotPtr = std::shared_ptr<Slot>;

    explicit MuxOrder(std::size_t capacity);
    // Stops the mux thread (the jobs not run yet are dropped) and joins it.
    ~MuxOrder();
    MuxOrder(const MuxOrder&) = delete;
    MuxOrder& operator=(const MuxOrder&) = delete;

    // The next top-level slot; waits while `capacity` are waiting. Raises the first error
    // of any stage.
    SlotPtr Open();
    // A child at this point of the parent's sequence.
    SlotPtr OpenChild(Slot& parent);
    void Add(Slot& slot, std::function<void()> job);
    void Close(Slot& slot);

    // Waits until the mux thread has run every job of the slots opened so far; raises the
    // first error.
    void WaitIdle();
    // No further slot: waits until every job has run, joins the thread, raises the first
    // error.
    void Finish();
    // Ends the mux side at once (a stage failed): keeps the first error, wakes every wait.
    void Abort(std::exception_ptr error);
    // Drops the jobs not run yet and joins the mux thread.
    void Stop();

private:
    using Item = std::variant<std::function<void()>, SlotPtr>;

    void Run();
    // The next job in the tree's order; false when the walk ended or was aborted.
    bool NextJob(std::unique_lock<std::mutex>& guard, std::function<void()>& job);
    void RethrowLocked() const;
    // Under the lock: whether the mux thread should be woken for a change of this slot.
    // It waits for that slot, but is left to sleep while few steps are in flight and nobody
    // waits for it, so that the muxer runs in bursts rather than a switch of threads for
    // each packet (every hand-over would otherwise cost the stage handing over a wakeup).
    bool WalkWaitsFor(const Slot* slot) const {
        return m_walkWaiting && m_waitingOn == slot && Backlog();
    }
    // Under the lock: enough waits for the mux thread that it should run now.
    bool Backlog() const {
        return m_roots.size() >= m_capacity / 2 || m_finishing || m_roomWaiting > 0;
    }
    void WaitForWalk(std::unique_lock<std::mutex>& guard, const Slot* slot);

    const std::size_t m_capacity;
    std::mutex m_lock;
    // The mux thread waits on m_walk, for the slot m_waitingOn (null: for a top-level slot)
    // and is woken only by a change of that; the loop waits on m_room for the walk to finish
    // top-level slots.
    std::condition_variable m_walkChanged;
    std::condition_variable m_room;
    bool m_walkWaiting = false;
    const Slot* m_waitingOn = nullptr;
    int m_roomWaiting = 0;
    std::deque<SlotPtr> m_roots;
    std::deque<SlotPtr> m_walk;  // the slots the walk is inside, outermost first
    bool m_finishing = false;
    bool m_aborted = false;
    std::exception_ptr m_error;
    std::thread m_thread;
};

struct MuxOrder::Slot {
    std::deque<MuxOrder::Item> Items;
    bool Closed = false;
};

}  // namespace mw
