#include "memory/GrowingArray.h"

#include <QtTest>

#include <cstdint>
#include <vector>

class tst_memory : public QObject {
    Q_OBJECT
private slots:
    void growingArrayKeepsItsValues_data();
    void growingArrayKeepsItsValues();
};

void tst_memory::growingArrayKeepsItsValues_data()
{
    QTest::addColumn<int>("pieceSize");
    QTest::addColumn<int>("pieces");
    // Blocks of a mebibyte and more are mapped and remapped rather than reallocated.
    QTest::newRow("small, on the heap") << 7 << 300;
    QTest::newRow("into a mapping and past it") << 4093 << 1200;
    QTest::newRow("one piece larger than a doubling") << (3 << 20) << 2;
}

void tst_memory::growingArrayKeepsItsValues()
{
    QFETCH(int, pieceSize);
    QFETCH(int, pieces);
    GrowingArray<std::uint32_t> array;
    std::vector<std::uint32_t> expected;
    std::vector<std::uint32_t> piece(static_cast<size_t>(pieceSize));
    for (int p = 0; p < pieces; ++p) {
        for (size_t i = 0; i < piece.size(); ++i)
            piece[i] = static_cast<std::uint32_t>(p * 7919 + static_cast<int>(i));
        array.append(piece.data(), piece.size());
        expected.insert(expected.end(), piece.begin(), piece.end());
        array.push_back(static_cast<std::uint32_t>(p));
        expected.push_back(static_cast<std::uint32_t>(p));
    }
    QVERIFY(std::equal(array.begin(), array.end(), expected.begin(), expected.end()));

    array.erase(1, 3);
    expected.erase(expected.begin() + 1, expected.begin() + 4);
    array.erase(array.size() / 2);
    expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(expected.size() / 2));
    QVERIFY(std::equal(array.begin(), array.end(), expected.begin(), expected.end()));

    // Truncating keeps the memory: what is appended after it is all that follows.
    array.truncate(5);
    array.push_back(42);
    QCOMPARE(array.size(), size_t(6));
    QVERIFY(std::equal(array.begin(), array.begin() + 5, expected.begin()));
    QCOMPARE(array[5], 42u);

    // The emptied one must not free the block again when it goes.
    GrowingArray<std::uint32_t> moved(std::move(array));
    QCOMPARE(moved.size(), size_t(6));
    moved.clear();
    QVERIFY(moved.empty());
    moved.append(piece.data(), piece.size());
    QVERIFY(std::equal(moved.begin(), moved.end(), piece.begin(), piece.end()));

    // A cleared block that is kept for reuse holds nothing of before, and grows past its old size.
    moved.clear();
    for (int round = 0; round < 2; ++round)
        moved.append(expected.data(), expected.size());
    QCOMPARE(moved.size(), 2 * expected.size());
    QVERIFY(std::equal(moved.begin(), moved.begin() + static_cast<std::ptrdiff_t>(expected.size()), expected.begin()));
    QVERIFY(std::equal(moved.begin() + static_cast<std::ptrdiff_t>(expected.size()), moved.end(), expected.begin()));
}

QTEST_GUILESS_MAIN(tst_memory)
#include "tst_memory.moc"
