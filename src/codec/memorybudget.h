#pragma once
// One memory budget for the whole program: the decoded pictures the window
// keeps plus the decoding work in flight. Every load asks it for what the
// picture will take before taking it, so a few small files that declare huge
// pictures cannot together exhaust the machine; a load that would cross the
// budget is refused with its kind's too-big error and nothing else changes.

#include <QImage>
#include <QtGlobal>

#include <atomic>
#include <memory>

namespace yotsumado {

// The program's budget: 2 GiB less room for the program itself (Qt, the
// window, the libraries), so that the process as a whole stays under 2 GiB.
inline constexpr qint64 kProgramMemoryBudget = (qint64(2) << 30) - (qint64(256) << 20);

// A number of bytes shared by any number of threads. Only BudgetShare takes
// from it and gives back.
class MemoryBudget {
public:
    explicit MemoryBudget(qint64 limit) : limit_(limit) {}
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    qint64 Limit() const { return limit_; }
    // Bytes held by all shares at this moment.
    qint64 InUse() const { return used_.load(); }

private:
    friend class BudgetShare;
    // Takes `bytes` when the total stays within the limit; false otherwise
    // (then nothing is taken). Never overflows.
    bool Take(qint64 bytes);
    void Give(qint64 bytes);

    const qint64 limit_;
    std::atomic<qint64> used_{0};
};

// Bytes held from a budget by one picture or one piece of work, given back
// when the share is released, shrunk or destroyed. Move-only. A share is used
// by one thread at a time; the budget under it may be shared by many.
class BudgetShare {
public:
    BudgetShare() = default;
    explicit BudgetShare(MemoryBudget& budget) : budget_(&budget) {}
    ~BudgetShare() { Release(); }
    BudgetShare(BudgetShare&& other) noexcept;
    BudgetShare& operator=(BudgetShare&& other) noexcept;
    BudgetShare(const BudgetShare&) = delete;
    BudgetShare& operator=(const BudgetShare&) = delete;

    MemoryBudget* Budget() const { return budget_; }
    qint64 Bytes() const { return bytes_; }

    // Holds `more` bytes in addition; false, holding what it held, when the
    // budget cannot give them (or the share has no budget, or `more` < 0).
    bool Grow(qint64 more);
    // Gives back what it holds above `bytes`.
    void ShrinkTo(qint64 bytes);
    void Release() { ShrinkTo(0); }

private:
    MemoryBudget* budget_ = nullptr;
    qint64 bytes_ = 0;
};

// The same pixels as `picture` (no copy), holding `share` for as long as any
// copy of the returned picture lives: a picture kept by the window counts
// against the budget until its last copy is gone, however it is replaced or
// emptied. `keepAlive`, when given, is kept with it so the budget outlives
// the share. A null picture is returned as it is, and the share released.
QImage HeldInBudget(QImage picture, BudgetShare share, std::shared_ptr<MemoryBudget> keepAlive = {});

} // namespace yotsumado
