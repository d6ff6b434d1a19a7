#include "test_values.h"
#include "values/dirtime.h"
#include "values/errors.h"
#include "values/octet.h"

#include <gtest/gtest.h>

namespace veralith::values {
namespace {

using test::Record;

struct OctetRow
{
    const char* name;
    const char* attribute;
    Record record;
    std::int32_t index;
    std::string expected;
};

std::string Render(const Record& record, const char* attribute, std::int32_t index = 1)
{
    return FormatOctetValue(record.Octets(), attribute, index);
}

Record SerialPort()
{
    return Record(80)
        .U16(0, 2)
        .U16(48, 1) // COM2
        .U16(52, 1)
        .U16(54, 4) // IRQ 4
        .U16(50, 0) // manual load
        .U16(56, 1) // Xon/Xoff
        .U16(58, 5) // 300 * 2^5 = 9600
        .U16(60, 8)
        .U16(62, 0)
        .U16(64, 0)
        .U16(10, 1) // Postscript
        .U16(8, 30)
        .U16(4, 64)
        .U16(2, 1)
        .U16(6, 0)
        .Text(16, "PSDRV");
}

Record PrinterBase(std::uint16_t portType, std::size_t size)
{
    return Record(size).U16(0, portType).U16(8, 5).U16(4, 16).U16(2, 0).U16(6, 1).Text(16, "DRV");
}

const std::string kPrinterTail = " / Text / Service Interval: 5 / Buffer Size: 16kB / Starting Form: 0"
                                 " / Form Change: minimize within Qs / Driver Name: DRV\r\n";

std::vector<OctetRow> Rows()
{
    return {
        {"PlainText", "App:Path", Record(12).Text(0, "SYS:\\APPS"), 1, "SYS:\\APPS"},
        {"PlainTextLowerCase", "app:path", Record(12).Text(0, "SYS:\\APPS"), 1, "SYS:\\APPS"},
        {"PlainTextUpperCase", "APP:PATH", Record(12).Text(0, "SYS:\\APPS"), 1, "SYS:\\APPS"},
        {"PlainTextWithoutZero", "rbsTaskRights", Record(3).Bytes(0, {'a', 'b', 'c'}), 1, "abc"},
        {"Guid", "bhObjectGUID", Record(5).Text(0, "{42}"), 1, "{42}"},
        {"TrapLines", "snmpTrapDescription", Record(8).Text(0, "one").Text(4, "two"), 1, "one\r\ntwo\r\n"},
        {"UserAdd", "FW0 USER ADD", Record(20).Text(15, "jdoe"), 1, "jdoe"},
        {"BinderyText", "Bindery Property", Record(60).Text(5, "NAME").Text(47, "VAL"), 1, "NAME: VAL"},
        {"BinderyHexTrailingZerosCut", "Bindery Property",
            Record(55).Text(5, "NAME").Bytes(47, {0x00, 0x41, 0x42, 0x00}), 1, "NAME: 004142"},
        {"PublicKey", "Public Key",
            Record(32)
                .U32(0, 1)
                .U32(4, 0x1F)
                .Bytes(8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14})
                .U32(22, 255)
                .Wide(26, "K"),
            1, "[1,1F,0102030405060708090A0B0C0D0E,FF] K"},
        {"CaPublicKey", "ca public key", Record(30).U32(0, 0xFFFFFFFF).Wide(26, ""), 1,
            "[FFFFFFFF,0,0000000000000000000000000000,0] "},
        {"MemberQuery", "memberQuery", Record(16).Wide(12, "q"), 1, "q - 00000000000000000000000071000000"},
        {"InventoryDma", "WM:INV DMA", Record(24).U32(0, 10).U32(4, 0xFFFFFFFF).U32(8, 2).U32(12, 3).Wide(16, "D"), 1,
            "[0A,-1,2,3] D"},
        {"InventoryInterrupt", "WM:INV Interrupt", Record(20).U32(0, 0x123).Wide(16, ""), 1, "[123,0,0,0] "},
        {"InventoryPort", "WM:INV Port", Record(26).U16(0, 0x3F8).U32(4, 1).U32(8, 2).U32(12, 3).Wide(16, "COM1"), 1,
            "[03F8,1,2,3] COM1"},
        {"InventoryCpu", "WM:INV CPU Information", Record(16).U32(0, 2400).Wide(8, "P4"), 1, "[2400] P4"},
        {"InventoryVolume", "WM:INV Volume",
            Record(30).U32(0, 1).U32(4, 0xA).U32(8, 0xFF).U32(12, 0x100).U32(16, 0xFFFFFFFF).Wide(20, "SYS"), 1,
            "[1,A,FF,100,FFFFFFFF] SYS"},
        {"InventorySharedMemory", "WM:INV Shared Memory", Record(22).U32(0, 0xD0000).Wide(20, ""), 1,
            "[D0000,0,0,0,0] "},
        {"Location", "NGW: Location", Record(20).Bytes(0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}).Text(13, "PO1"),
            1, "[000102030405060708090A0B0C] PO1"},
        {"FolderList", "App:Folder List", Record(20).U32(0, 1).U32(4, 0x2A).U32(8, 0xFF).Text(12, "Apps"), 1,
            "(1/2A/FF) Apps"},
        {"RightsPath", "App:FS Rights Path", Record(24).U32(0, 1).U32(4, 2).U32(8, 3).U8(12, 4).Text(13, "SYS:APPS"), 1,
            "(1/2/3/4) SYS:APPS"},
        {"TransitiveVector", "Transitive Vector", Record(20).U32(0, 1).U32(4, 0x22).U32(8, 0x12345).Wide(12, "T"), 1,
            "(   1/  22/12345) T"},
        {"ReceivedUpTo", "Local Received Up To", Record(14).U32(0, 0xABCD).Wide(12, ""), 1, "(ABCD/   0/   0) "},
        {"Config", "bhConfig", Record(100).U32(0, 7).Text(4, "alpha").Text(92, "beta"), 1, "[7] alpha beta "},
        {"UnknownAttributeIsHex", "Surname", Record(3).Bytes(0, {0x00, 0xFF, 0x10}), 1, "00FF10"},
        {"EmptyValueIsEmptyHex", "Surname", Record(0), 1, ""},
        // Printer configurations, one per port type.
        {"PrinterOther", "Printer Configuration", PrinterBase(0, 40), 1, "Other" + kPrinterTail},
        {"PrinterParallel", "Printer Configuration", PrinterBase(1, 60).U16(48, 0).U16(50, 1), 1,
            "Parallel (LPT1:) / Polling / Auto load" + kPrinterTail},
        {"PrinterParallelIrq", "printer configuration", PrinterBase(1, 60).U16(48, 2).U16(52, 1).U16(54, 7), 1,
            "Parallel (LPT3:) / IRQ 7 / Manual load" + kPrinterTail},
        {"PrinterSerial", "Printer Configuration", SerialPort(), 1,
            "Serial (COM2:) / IRQ 4 / Manual load / Xon/Xoff  / 9600 bd / 8 Data bits / 1 Stop bits / no parity"
            " / Postscript / Service Interval: 30 / Buffer Size: 64kB / Starting Form: 1 / Form Change: as needed"
            " / Driver Name: PSDRV\r\n"},
        {"PrinterSerialOddValues", "Printer Configuration",
            PrinterBase(2, 70).U16(56, 0).U16(58, 0).U16(60, 7).U16(62, 3).U16(64, 2), 1,
            "Serial (COM1:) / Polling / Manual load / 300 bd / 7 Data bits / n/a Stop bits / odd parity" +
                kPrinterTail},
        {"PrinterXnp", "Printer Configuration", PrinterBase(3, 40), 1, "XNP" + kPrinterTail},
        {"PrinterApple", "Printer Configuration",
            PrinterBase(4, 130).Text(48, "Zone").Text(116, "Name").Text(82, "Type"), 1,
            "Apple Zone Name (Type)" + kPrinterTail},
        {"PrinterUnix", "Printer Configuration", PrinterBase(5, 310).Text(48, "host").Text(304, "lp"), 1,
            "Unix host/lp" + kPrinterTail},
        {"PrinterAio", "Printer Configuration", PrinterBase(6, 40), 1, "AIO" + kPrinterTail},
        {"PrinterUnknownType", "Printer Configuration", PrinterBase(9, 40), 1, "n/a" + kPrinterTail},
    };
}

class OctetRows : public testing::TestWithParam<OctetRow>
{
};

TEST_P(OctetRows, RendersExactText)
{
    const OctetRow& row = GetParam();
    EXPECT_EQ(Render(row.record, row.attribute, row.index), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Attributes, OctetRows, testing::ValuesIn(Rows()), [](const auto& info) { return std::string(info.param.name); });

TEST(FormatOctetValue, LongPlainTextWithoutZeroShowsItsFirst2303Bytes)
{
    Record record(3000);
    for (std::size_t i = 0; i < 3000; ++i) {
        record.U8(i, 'A');
    }
    EXPECT_EQ(Render(record, "App:Path"), std::string(2303, 'A'));
}

TEST(FormatOctetValue, PartitionStatusDependsOnTheValueIndex)
{
    Record record = Record(40).U32(4, 2).U32(8, 1135987200u).U32(12, 3).U32(16, 0xFFFFFDA7).Wide(24, "B").Wide(28, "A");
    // The last synchronisation is shown in UTC with the process's regional
    // settings (the C locale in tests): midnight shows the date alone.
    const std::string time = "12/31/05";
    EXPECT_EQ(
        Render(record, "Partition Status", 1), "A / Replica 3 / Last Sync:  " + time + "/ (in sync) / Error FFFFFDA7");
    // Later values take the name at 24 ("B" and its zero unit) and never show the error.
    EXPECT_EQ(Render(record, "Partition Status", 2), "B / Replica 3 / Last Sync:  " + time + "/ (in sync) ");
    EXPECT_EQ(Render(record, "Partition Status", 3), "B / Replica 3 / Last Sync:  " + time + "/ (in sync) ");

    record.U32(16, 0x1F).U32(4, 7);
    EXPECT_EQ(
        Render(record, "partition status", 1), "A / Replica 3 / Last Sync:  " + time + "/ (7 - unknown) / Error   1F");
    record.U32(16, 0);
    EXPECT_EQ(Render(record, "Partition Status", 1), "A / Replica 3 / Last Sync:  " + time + "/ (7 - unknown) ");
}

TEST(FormatOctetValue, NamedErrorsRaise)
{
    Record partition = Record(40).U32(4, 0xFFFFFFFF).Wide(28, "A");
    EXPECT_THROW(Render(partition, "Partition Status"), ValueError);
    // The value text at 47 is empty and the value is shorter than 51 bytes.
    EXPECT_THROW(Render(Record(50).Text(5, "NAME"), "Bindery Property"), ValueError);
    EXPECT_THROW(Render(Record(70000), "App:Path"), ValueError);
    EXPECT_THROW(Render(Record(70000), "snmpTrapDescription"), ValueError);
    EXPECT_THROW(Render(Record(70000), "Surname"), ValueError);
    EXPECT_THROW(Render(Record(70000).Wide(12, "q"), "memberQuery"), ValueError);
    EXPECT_THROW(Render(SerialPort().U16(58, 33), "Printer Configuration"), ValueError);
    EXPECT_EQ(Render(Record(65535), "Surname").size(), 2u * 65535u);
}

TEST(FormatOctetValue, ErrorMessagesSayWhatIsWrong)
{
    try {
        Render(Record(40).U32(4, 0xFFFFFFFE).Wide(28, "A"), "partition status");
        FAIL() << "no error raised";
    } catch (const ValueError& error) {
        EXPECT_STREQ(error.what(), "partition status: synchronisation state -2 is negative");
    }
    try {
        Render(Record(70000), "App:Path");
        FAIL() << "no error raised";
    } catch (const ValueError& error) {
        EXPECT_STREQ(error.what(), "App:Path: octet string of 70000 bytes is longer than 65535 bytes");
    }
}

// Values too short for their layout, or whose text lacks its zero inside the
// value, are shown as hex; nothing past the value is read (the tests run under
// AddressSanitizer, and each record is its own exact-size allocation).
struct ShortRow
{
    const char* name;
    const char* attribute;
    Record record;
    std::int32_t index;
};

class ShortRows : public testing::TestWithParam<ShortRow>
{
};

std::string Hex(const Record& record)
{
    return OctetHexText(record.Octets());
}

TEST_P(ShortRows, FallBackToHex)
{
    const ShortRow& row = GetParam();
    // Copy into an allocation of exactly the value's size.
    const std::vector<std::uint8_t>& bytes = row.record.Bytes();
    auto exact = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), exact.get());
    const client::OctetStringValue value {static_cast<std::uint32_t>(bytes.size()), exact.get()};
    EXPECT_EQ(FormatOctetValue(value, row.attribute, row.index), Hex(row.record));
}

std::vector<ShortRow> ShortRowsTable()
{
    Record textToTheEnd(19);
    for (std::size_t i = 15; i < 19; ++i) {
        textToTheEnd.U8(i, 'x');
    }
    Record wideToTheEnd(21);
    for (std::size_t i = 16; i < 21; ++i) {
        wideToTheEnd.U8(i, 'x');
    }
    return {
        {"PartitionStatusOf10Bytes", "Partition Status", Record(10).U32(4, 2), 1},
        {"PartitionStatusWithoutName", "Partition Status", Record(28).U32(4, 2), 1},
        {"SecondPartitionStatusWideTextOpen", "Partition Status", Record(27).U32(4, 2).U8(24, 'A'), 2},
        {"UserAddWithoutZero", "FW0 USER ADD", textToTheEnd, 1},
        {"UserAddOffsetPastEnd", "FW0 USER ADD", Record(15), 1},
        {"InventoryWideTextWithoutZero", "WM:INV DMA", wideToTheEnd, 1},
        {"InventoryOddByteAtTheEnd", "WM:INV DMA", Record(17), 1},
        {"PublicKeyShort", "Public Key", Record(25), 1},
        {"BinderyNameOnly", "Bindery Property", Record(40).Text(5, "NAME"), 1},
        {"PrinterWithoutDriverName", "Printer Configuration", Record(16), 1},
        {"ParallelPrinterWithoutPortFields", "Printer Configuration", PrinterBase(1, 50), 1},
        {"SerialPrinterWithoutParity", "Printer Configuration", PrinterBase(2, 64), 1},
        {"UnixPrinterWithoutQueue", "Printer Configuration", PrinterBase(5, 200).Text(48, "host"), 1},
        {"AppleTextsOpen", "Printer Configuration", PrinterBase(4, 116).Text(48, "Zone").Text(82, "Type"), 1},
        {"ConfigSecondTextMissing", "bhConfig", Record(92).Text(4, "a"), 1},
        {"RightsPathShort", "App:FS Rights Path", Record(13), 1},
        {"LocationShort", "NGW: Location", Record(12), 1},
        {"VectorShort", "Transitive Vector", Record(11), 1},
        {"MemberQueryShort", "memberQuery", Record(12), 1},
        {"CpuShort", "WM:INV CPU Information", Record(3), 1},
        {"PortShort", "WM:INV Port", Record(15), 1},
    };
}

INSTANTIATE_TEST_SUITE_P(Attributes, ShortRows, testing::ValuesIn(ShortRowsTable()),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace veralith::values
