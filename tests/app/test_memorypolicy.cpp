#include "platform/memorypolicy.h"

#include <QTest>

#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <thread>
#include <vector>

// A player that runs all day must give back what a burst of large buffers
// took: a channel switch builds and frees the media library's buffers while
// smaller, longer-lived allocations land between them.
class TestMemoryPolicy : public QObject
{
    Q_OBJECT

    static size_t heldBytes()
    {
        const struct mallinfo2 m = mallinfo2();
        return m.arena + m.hblkhd;
    }

    static void *touched(size_t bytes)
    {
        void *p = std::malloc(bytes);
        std::memset(p, 1, bytes);
        // Keeps the compiler from dropping an allocation nothing reads.
        asm volatile("" : : "r"(p) : "memory");
        return p;
    }

private slots:
    void largeBuffersFreedAreGivenBack()
    {
        MemoryPolicy::apply();
        constexpr int kBuffers = 24;
        constexpr size_t kBuffer = 1024 * 1024;
        size_t before = 0, during = 0, after = 0;
        // On a thread of its own, as the media library's buffers are: a
        // fresh heap arena, where each small allocation lands right after
        // the buffer before it.
        std::thread([&] {
            // glibc, left alone, takes the size of a large buffer freed as
            // the new size below which buffers come from the heap.
            std::free(touched(8 * 1024 * 1024));
            before = heldBytes();
            std::vector<void *> buffers, keep;
            for (int i = 0; i < kBuffers; ++i) {
                buffers.push_back(touched(kBuffer));
                keep.push_back(touched(512));  // pins each buffer's place in the heap
            }
            during = heldBytes();
            for (void *p : buffers)
                std::free(p);
            after = heldBytes();
            for (void *p : keep)
                std::free(p);
        }).join();

        QVERIFY(during >= kBuffers * kBuffer);

        QVERIFY2(after < before + 4 * kBuffer,
                 qPrintable(QStringLiteral("%1 kB still held after freeing %2 kB of buffers")
                                .arg((after - before) / 1024)
                                .arg(kBuffers * kBuffer / 1024)));
    }

    // Buffers below the threshold still come from the heap: small
    // allocations must not each cost a mapping of their own.
    void smallBuffersStayInTheHeap()
    {
        MemoryPolicy::apply();
        const size_t mappedBefore = mallinfo2().hblkhd;
        void *p = touched(MemoryPolicy::kOwnMappingBytes / 4);
        const size_t mappedDuring = mallinfo2().hblkhd;
        std::free(p);
        QCOMPARE(mappedDuring, mappedBefore);
    }
};

QTEST_GUILESS_MAIN(TestMemoryPolicy)
#include "test_memorypolicy.moc"
