// "Partition Status" and "Printer Configuration": records whose text is built
// from several pieces.

#include "util/format.h"
#include "util/text.h"
#include "values/dirtime.h"
#include "values/errors.h"
#include "values/octet_layout.h"

namespace veralith::values::detail {

using util::Format;

std::string PartitionStatusText(const OctetLayout& f, std::int32_t valueIndex)
{
    // The first value carries the partition's error; later values hold the
    // replica's name four bytes earlier and no error.
    const bool first = valueIndex == 1;
    const std::string name = f.Wide(first ? 28 : 24);
    const std::int32_t state = f.I32(4);
    const std::uint32_t lastSync = f.U32(8);
    const std::int32_t replica = f.I32(12);
    const std::int32_t error = first ? f.I32(16) : 0;
    if (state < 0) {
        throw ValueError(Format("%s: synchronisation state %d is negative", f.Name(), state));
    }
    std::string text = Format("%s ", name);
    text += Format("/ Replica %d ", replica);
    text += Format("/ Last Sync:  %s", DirTimeText(lastSync, false));
    text += "/ ";
    text += SyncStateText(state);
    text += " ";
    if (error != 0) {
        text += Format("/ Error %4X", error);
    }
    return text;
}

namespace {

const std::vector<std::string> kPortTypes = {"Other", "Parallel", "Serial", "XNP", "Apple", "Unix", "AIO"};
const std::vector<std::string> kStopBits = {"1", "1.5", "2"};
const std::vector<std::string> kParities = {"no", "even", "odd"};
const std::vector<std::string> kFormChanges = {"as needed", "minimize within Qs", "never", "minimize across Qs"};

std::string InterruptText(const OctetLayout& f)
{
    return Format(" / %s", f.U16(52) == 0 ? std::string("Polling") : Format("IRQ %d", f.U16(54)));
}

std::string LoadText(const OctetLayout& f)
{
    return Format(" / %s load", util::IfThenText(f.U16(50) == 0, "Manual", "Auto"));
}

std::int64_t BaudRate(const OctetLayout& f, int exponent)
{
    if (exponent > 32) {
        throw ValueError(Format("%s: baud rate exponent %d is out of range", f.Name(), exponent));
    }
    return (std::int64_t {1} << exponent) * 300;
}

} // namespace

std::string PrinterConfigurationText(const OctetLayout& f)
{
    const int portType = f.U16(0);
    std::string text = util::PickText(portType, kPortTypes);
    switch (portType) {
    case 1:
        text += Format(" (LPT%d:)", f.U16(48) + 1);
        text += InterruptText(f);
        text += LoadText(f);
        break;
    case 2:
        text = Format("Serial (COM%d:)", f.U16(48) + 1);
        text += InterruptText(f);
        text += LoadText(f);
        text += Format("%s", util::IfThenText(f.U16(56) != 0, " / Xon/Xoff ", ""));
        text += Format(" / %d bd", BaudRate(f, f.U16(58)));
        text += Format(" / %d Data bits", f.U16(60));
        text += Format(" / %s Stop bits", util::PickText(f.U16(62), kStopBits));
        text += Format(" / %s parity", util::PickText(f.U16(64), kParities));
        break;
    case 4:
        text += Format(" %s %s (%s)", f.Text(48), f.Text(116), f.Text(82));
        break;
    case 5:
        text += Format(" %s/%s", f.Text(48), f.Text(304));
        break;
    default:
        break;
    }
    text += Format(" / %s", util::IfThenText(f.U16(10) == 0, "Text", "Postscript"));
    text += Format(" / Service Interval: %d", f.U16(8));
    text += Format(" / Buffer Size: %dkB", f.U16(4));
    text += Format(" / Starting Form: %d", f.U16(2));
    text += Format(" / Form Change: %s", util::PickText(f.U16(6), kFormChanges));
    text += Format(" / Driver Name: %s", f.Text(16));
    text += "\r\n";
    return text;
}

} // namespace veralith::values::detail
