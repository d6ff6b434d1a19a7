#include "client/memory/base_schema.h"

#include "client/client.h"

#include <string>
#include <string_view>

namespace veralith::client::memory {

namespace {

constexpr std::uint32_t kSv = DS_SINGLE_VALUED_ATTR;
constexpr std::uint32_t kSz = DS_SIZED_ATTR;
constexpr std::uint32_t kNr = DS_NONREMOVABLE_ATTR;
constexpr std::uint32_t kRo = DS_READ_ONLY_ATTR;
constexpr std::uint32_t kHi = DS_HIDDEN_ATTR;
constexpr std::uint32_t kSt = DS_STRING_ATTR;
constexpr std::uint32_t kSi = DS_SYNC_IMMEDIATE;
constexpr std::uint32_t kPr = DS_PUBLIC_READ;

struct AttributeRow
{
    const char* name;
    std::uint32_t syntax;
    std::uint32_t flags;
    const char* oid; // empty: numbered in the directory's own arc
    std::uint32_t upper = 0; // sized attributes: the upper bound
};

// clang-format off
const AttributeRow kAttributes[] = {
    {"Object Class", 20, kNr | kRo | kSi, "2.5.4.0"},
    {"Unknown Value", 0, 0, ""},
    {"Aliased Object Name", 1, kSv | kNr, "2.5.4.1"},
    {"Member", 1, 0, "2.5.4.31"},
    {"Group Membership", 1, 0, ""},
    {"Equivalent To Me", 1, 0, ""},
    {"Security Equals", 1, kSi, ""},
    {"See Also", 1, 0, "2.5.4.34"},
    {"Owner", 1, 0, "2.5.4.32"},
    {"Role Occupant", 1, 0, "2.5.4.33"},
    {"Host Server", 1, kSv, ""},
    {"Host Device", 1, kSv, ""},
    {"Resource", 1, 0, ""},
    {"Default Queue", 1, kSv, ""},
    {"Queue", 1, 0, ""},
    {"Operator", 1, 0, ""},
    {"User", 1, 0, ""},
    {"Print Server", 1, kSv, ""},
    {"Printer", 1, 0, ""},
    {"Profile", 1, kSv, ""},
    {"Profile Membership", 1, 0, ""},
    {"Message Server", 1, kSv, ""},
    {"Mailbox Location", 1, kSv, ""},
    {"Server", 1, 0, ""},
    {"Device", 1, 0, ""},
    {"Higher Privileges", 1, 0, ""},
    {"Volume", 1, kSv, ""},
    {"Unknown Base Class", 2, kSv | kRo | kSt, ""},
    {"SAP Name", 2, kSv | kSz | kSt, "", 47},
    {"CN", 3, kSt | kSz, "2.5.4.3", 64},
    {"OU", 3, kSt | kSz, "2.5.4.11", 64},
    {"O", 3, kSt | kSz, "2.5.4.10", 64},
    {"L", 3, kSt | kSz, "2.5.4.7", 128},
    {"S", 3, kSt | kSz, "2.5.4.8", 128},
    {"SA", 3, kSt | kSz, "2.5.4.9", 128},
    {"Surname", 3, kSt | kSz, "2.5.4.4", 64},
    {"Given Name", 3, kSt | kSz, "2.5.4.42", 32},
    {"Initials", 3, kSt | kSz, "2.5.4.43", 8},
    {"Generational Qualifier", 3, kSv | kSt | kSz, "2.5.4.44", 8},
    {"Full Name", 3, kSt | kSz, "", 127},
    {"Title", 3, kSt | kSz, "2.5.4.12", 64},
    {"Description", 3, kSt | kSz, "2.5.4.13", 1024},
    {"Internet EMail Address", 3, kSt, ""},
    {"creatorsName", 3, kSv | kRo | kSt, ""},
    {"modifiersName", 3, kSv | kRo | kSt, ""},
    {"Postal Code", 3, kSt | kSz, "2.5.4.17", 40},
    {"Postal Office Box", 3, kSt | kSz, "2.5.4.18", 40},
    {"Physical Delivery Office Name", 3, kSt | kSz, "2.5.4.19", 128},
    {"workforceID", 3, kSv | kSt, ""},
    {"uniqueID", 3, kSt, ""},
    {"Host Resource Name", 3, kSv | kSt, ""},
    {"Version", 3, kSv | kSt, ""},
    {"Mailbox ID", 3, kSv | kSt | kSz, "", 8},
    {"Supported Typefaces", 3, kSt, ""},
    {"Cartridge", 3, kSt, ""},
    {"Queue Directory", 3, kSv | kSt | kSz, "", 255},
    {"C", 4, kSv | kSt | kSz, "2.5.4.6", 2},
    {"Serial Number", 4, kSt | kSz, "2.5.4.5", 64},
    {"Page Description Language", 4, kSt | kSz, "", 64},
    {"Bindery Type", 5, kSv | kSt, ""},
    {"Language", 6, kSv, ""},
    {"Login Disabled", 7, kSv, ""},
    {"Password Required", 7, kSv, ""},
    {"Password Allow Change", 7, kSv, ""},
    {"Password Unique Required", 7, kSv, ""},
    {"Locked By Intruder", 7, kSv, ""},
    {"Detect Intruder", 7, kSv, ""},
    {"Allow Unlimited Credit", 7, kSv, ""},
    {"Login Grace Limit", 8, kSv, ""},
    {"Login Grace Remaining", 8, kSv, ""},
    {"Password Minimum Length", 8, kSv, ""},
    {"Login Maximum Simultaneous", 8, kSv, ""},
    {"Login Intruder Limit", 8, kSv, ""},
    {"Login Intruder Attempts", 8, kSv, ""},
    {"Minimum Account Balance", 8, kSv, ""},
    {"Bindery Object Restriction", 8, kSv, ""},
    {"Status", 8, kSv, ""},
    {"Security Flags", 8, kSv, ""},
    {"UID", 8, kSv, ""},
    {"GID", 8, kSv, ""},
    {"GUID", 9, kSv | kNr | kSz, "", 16},
    {"Login Allowed Time Map", 9, kSv | kSz, "", 42},
    {"Public Key", 9, kSv | kPr, ""},
    {"Private Key", 9, kSv | kHi, ""},
    {"CA Public Key", 9, kSv | kPr, ""},
    {"Bindery Property", 9, 0, ""},
    {"Printer Configuration", 9, kSv, ""},
    {"Partition Status", 9, 0, ""},
    {"Local Received Up To", 9, 0, ""},
    {"Transitive Vector", 9, 0, ""},
    {"App:GUID", 9, kSv, ""},
    {"App:Drive Mappings", 9, 0, ""},
    {"App:Parameters", 9, kSv, ""},
    {"App:Path", 9, kSv, ""},
    {"App:Version String", 9, kSv, ""},
    {"App:Working Directory", 9, kSv, ""},
    {"App:Folder List", 9, 0, ""},
    {"App:FS Rights Path", 9, 0, ""},
    {"DirXML-EntitlementResult", 9, 0, ""},
    {"ZEN:INV Disk Info", 9, 0, ""},
    {"bhObjectGUID", 9, kSv, ""},
    {"bhConfig", 9, 0, ""},
    {"rbsTaskRights", 9, 0, ""},
    {"snmpTrapDescription", 9, kSv, ""},
    {"FW0 USER ADD", 9, 0, ""},
    {"memberQuery", 9, kSv, ""},
    {"WM:INV DMA", 9, 0, ""},
    {"WM:INV Interrupt", 9, 0, ""},
    {"WM:INV Port", 9, 0, ""},
    {"WM:INV CPU Information", 9, 0, ""},
    {"WM:INV Shared Memory", 9, 0, ""},
    {"WM:INV Volume", 9, 0, ""},
    {"NGW: Location", 9, kSv, ""},
    {"Telephone Number", 10, 0, "2.5.4.20"},
    {"Mobile", 10, 0, ""},
    {"Pager", 10, 0, ""},
    {"Home Phone", 10, 0, ""},
    {"Facsimile Telephone Number", 11, 0, "2.5.4.23"},
    {"Network Address", 12, 0, ""},
    {"Login Intruder Address", 12, kSv, ""},
    {"Network Address Restriction", 12, 0, ""},
    {"Cross Certificate Pair", 13, 0, ""},
    {"EMail Address", 14, kPr, ""},
    {"Home Directory", 15, kSv | kSz, "", 255},
    {"Path", 15, kSv, ""},
    {"Replica", 16, 0, ""},
    {"ACL", 17, 0, ""},
    {"Inherited ACL", 17, kRo, ""},
    {"Postal Address", 18, 0, "2.5.4.16"},
    {"Partition Creation Time", 19, kSv | kRo, ""},
    {"Synchronized Up To", 19, kRo, ""},
    {"Received Up To", 19, kRo, ""},
    {"Login Script", 21, kSv, ""},
    {"Print Job Configuration", 21, kSv, ""},
    {"Printer Control", 21, kSv, ""},
    {"App:Macros", 21, kSv, ""},
    {"App:Copy Files", 21, kSv, ""},
    {"App:Inventory", 21, kSv, ""},
    {"App:Program Groups", 21, kSv, ""},
    {"Account Balance", 22, kSv, ""},
    {"Revision", 22, kSv | kNr | kRo, ""},
    {"Back Link", 23, kRo, ""},
    {"Login Time", 24, kSv | kRo, ""},
    {"Last Login Time", 24, kSv | kRo, ""},
    {"Login Expiration Time", 24, kSv, ""},
    {"Password Expiration Time", 24, kSv, ""},
    {"Login Intruder Reset Time", 24, kSv, ""},
    {"Low Convergence Reset Time", 24, kSv, ""},
    {"Notify", 25, 0, ""},
    {"Server Holds", 26, 0, ""},
    {"Password Expiration Interval", 27, kSv, ""},
    {"Intruder Attempt Reset Interval", 27, kSv, ""},
    {"Intruder Lockout Reset Interval", 27, kSv, ""},
    {"Low Convergence Sync Interval", 27, kSv, ""},
    {"High Convergence Sync Interval", 27, kSv, ""},
};

constexpr std::uint32_t kCo = DS_CONTAINER_CLASS;
constexpr std::uint32_t kEf = DS_EFFECTIVE_CLASS;
constexpr std::uint32_t kNc = DS_NONREMOVABLE_CLASS;
constexpr std::uint32_t kAx = DS_AUXILIARY_CLASS;

#define IN_ORGS "Organization|Organizational Unit"
#define ADDRESS "Postal Address|Postal Code|Postal Office Box|Physical Delivery Office Name|S|SA|L"
#define LOGIN_POLICY "Login Intruder Limit|Intruder Attempt Reset Interval|Detect Intruder|" \
    "Intruder Lockout Reset Interval|Login Script|Print Job Configuration|Printer Control"
#define PARTITION "Replica|Partition Status|Partition Creation Time|Synchronized Up To|Received Up To|" \
    "Local Received Up To|Transitive Vector|Low Convergence Reset Time|Low Convergence Sync Interval|" \
    "High Convergence Sync Interval"

struct ClassRow
{
    const char* name;
    std::uint32_t flags;
    const char* oid;
    // Item lists, names separated by "|".
    const char* superClasses;
    const char* containment;
    const char* naming;
    const char* mandatory;
    const char* optional;
};

const ClassRow kClasses[] = {
    {"Top", kNc, "2.5.6.0", "", "", "", "Object Class",
        "ACL|Back Link|Bindery Property|Equivalent To Me|GUID|Revision|creatorsName|modifiersName|"
        "Unknown Value|Inherited ACL|Unknown Base Class"},
    {"Tree Root", kCo | kEf | kNc, "", "Top", "", "", "", PARTITION},
    {"Alias", kEf | kNc, "2.5.6.1", "Top", "Country|Locality|" IN_ORGS "|Tree Root", "CN",
        "Aliased Object Name", "CN|Description"},
    {"Country", kCo | kEf | kNc, "2.5.6.2", "Top", "Tree Root", "C", "C", "Description|" PARTITION},
    {"Locality", kCo | kEf | kNc, "2.5.6.3", "Top", "Country|Locality|" IN_ORGS, "L|S", "",
        "Description|L|S|SA|See Also|" PARTITION},
    {"Organization", kCo | kEf | kNc, "2.5.6.4", "Top", "Tree Root|Country|Locality", "O", "O",
        "Description|Facsimile Telephone Number|Telephone Number|EMail Address|Internet EMail Address|"
        "Network Address|See Also|" ADDRESS "|" LOGIN_POLICY "|" PARTITION},
    {"Organizational Unit", kCo | kEf | kNc, "2.5.6.5", "Top", "Locality|" IN_ORGS, "OU", "OU",
        "Description|Facsimile Telephone Number|Telephone Number|EMail Address|Internet EMail Address|"
        "Network Address|See Also|" ADDRESS "|" LOGIN_POLICY "|" PARTITION},
    {"Person", kNc, "2.5.6.6", "Top", IN_ORGS, "CN", "CN|Surname",
        "Description|See Also|Telephone Number|Full Name|Given Name|Initials|Generational Qualifier|"
        "Title|Internet EMail Address|uniqueID|workforceID|Mobile|Pager|Home Phone|"
        "Facsimile Telephone Number|Language|" ADDRESS},
    {"Organizational Person", kNc, "2.5.6.7", "Person", IN_ORGS, "CN|OU", "",
        "EMail Address|Mailbox ID|Mailbox Location|OU|Network Address"},
    {"User", kEf | kNc, "", "Organizational Person", IN_ORGS, "CN", "",
        "Account Balance|Allow Unlimited Credit|Default Queue|Group Membership|Higher Privileges|"
        "Home Directory|Last Login Time|Locked By Intruder|Login Allowed Time Map|Login Disabled|"
        "Login Expiration Time|Login Grace Limit|Login Grace Remaining|Login Intruder Address|"
        "Login Intruder Attempts|Login Intruder Reset Time|Login Maximum Simultaneous|Login Script|"
        "Login Time|Message Server|Minimum Account Balance|Network Address Restriction|"
        "Password Allow Change|Password Expiration Interval|Password Expiration Time|"
        "Password Minimum Length|Password Required|Password Unique Required|Print Job Configuration|"
        "Private Key|Profile|Profile Membership|Public Key|Security Equals|Security Flags|Server Holds|"
        "UID|GID"},
    {"Group", kEf | kNc, "2.5.6.9", "Top", IN_ORGS, "CN", "CN",
        "Description|Member|Owner|See Also|Full Name|GID|L|O|OU|Account Balance|Minimum Account Balance|"
        "Allow Unlimited Credit|Security Equals"},
    {"Organizational Role", kEf | kNc, "2.5.6.8", "Top", IN_ORGS, "CN", "CN",
        "Description|Role Occupant|See Also|Telephone Number|Facsimile Telephone Number|EMail Address|"
        "Internet EMail Address|Mailbox ID|Mailbox Location|OU|L|Postal Address|Security Equals"},
    {"Server", kNc, "", "Top", IN_ORGS, "CN", "CN",
        "Description|Host Device|L|O|OU|Network Address|Private Key|Public Key|Resource|See Also|"
        "Security Equals|Status|Version|Full Name|Account Balance|Allow Unlimited Credit|"
        "Minimum Account Balance|Security Flags"},
    {"NCP Server", kEf | kNc, "", "Server", IN_ORGS, "CN", "", "Operator|SAP Name|Notify"},
    {"Resource", kNc, "", "Top", IN_ORGS, "CN", "CN", "Description|Host Resource Name|L|O|OU|See Also"},
    {"Volume", kEf | kNc, "", "Resource", IN_ORGS, "CN", "Host Server", "Status"},
    {"Queue", kEf | kNc, "", "Resource", IN_ORGS, "CN", "Queue Directory",
        "Device|Operator|Server|User|Network Address|Volume"},
    {"Directory Map", kEf | kNc, "", "Resource", IN_ORGS, "CN", "Host Server", "Path"},
    {"Device", kNc, "2.5.6.14", "Top", IN_ORGS, "CN", "CN",
        "Description|L|Network Address|OU|O|Owner|See Also|Serial Number"},
    {"Printer", kEf | kNc, "", "Device", IN_ORGS, "CN", "",
        "Cartridge|Printer Configuration|Default Queue|Host Device|Print Server|Network Address Restriction|"
        "Notify|Operator|Page Description Language|Queue|Status|Supported Typefaces|Printer Control"},
    {"Print Server", kEf | kNc, "", "Server", IN_ORGS, "CN", "", "Operator|Printer|User"},
    {"Computer", kEf | kNc, "", "Device", IN_ORGS, "CN", "", "Operator|Server|Status"},
    {"Workstation", kEf | kNc, "", "Device", IN_ORGS, "CN", "",
        "Operator|Last Login Time|WM:INV DMA|WM:INV Interrupt|WM:INV Port|WM:INV CPU Information|"
        "WM:INV Shared Memory|WM:INV Volume|ZEN:INV Disk Info"},
    {"Profile", kEf | kNc, "", "Top", IN_ORGS, "CN", "CN|Login Script", "Description|L|O|OU|See Also|Full Name"},
    {"Application", kEf | kNc, "", "Top", IN_ORGS, "CN", "CN",
        "Description|Owner|See Also|App:GUID|App:Drive Mappings|App:Parameters|App:Path|"
        "App:Version String|App:Working Directory|App:Folder List|App:FS Rights Path|App:Macros|"
        "App:Copy Files|App:Inventory|App:Program Groups"},
    {"Bindery Object", kEf | kNc, "", "Top", IN_ORGS, "CN|Bindery Type", "Bindery Object Restriction|Bindery Type|CN",
        ""},
    {"External Entity", kEf | kNc, "", "Top", IN_ORGS, "CN", "CN",
        "Description|EMail Address|Internet EMail Address|Telephone Number|See Also|" ADDRESS},
    {"List", kEf | kNc, "", "Top", IN_ORGS, "CN", "CN", "Description|Member|Owner|See Also|Full Name"},
    {"Unknown", kEf | kNc, "", "Top", IN_ORGS "|Locality|Country|Tree Root", "CN", "", ""},
    {"Partition", kNc, "", "Top", "", "", "", PARTITION "|Cross Certificate Pair|CA Public Key"},
    {"posixAccount", kAx, "1.3.6.1.1.1.2.0", "Top", "", "", "", "UID|GID|Home Directory|Description"},
    {"dynamicGroupAux", kAx, "", "Top", "", "", "", "memberQuery"},
    {"extensibleObject", kAx, "1.3.6.1.4.1.1466.101.120.111", "Top", "", "", "",
        "snmpTrapDescription|bhConfig|bhObjectGUID|rbsTaskRights|DirXML-EntitlementResult|FW0 USER ADD|"
        "NGW: Location|Cross Certificate Pair"},
};
// clang-format on

std::vector<std::string> SplitList(std::string_view text)
{
    std::vector<std::string> items;
    std::size_t pos = 0;
    while (!text.empty() && pos <= text.size()) {
        const std::size_t bar = text.find('|', pos);
        items.emplace_back(text.substr(pos, bar == std::string_view::npos ? text.npos : bar - pos));
        if (bar == std::string_view::npos) {
            break;
        }
        pos = bar + 1;
    }
    return items;
}

Schema BuildBaseSchema()
{
    Schema schema;
    std::uint32_t number = 1;
    for (const AttributeRow& row : kAttributes) {
        AttributeDef def;
        def.name = row.name;
        def.syntaxId = row.syntax;
        def.flags = row.flags;
        def.upperBound = row.upper;
        def.lowerBound = row.upper != 0 ? 1 : 0;
        def.oid = row.oid[0] != 0 ? std::string(row.oid) : "2.16.840.1.113719.1.1.4.1." + std::to_string(number);
        ++number;
        schema.AddAttribute(std::move(def));
    }
    number = 1;
    for (const ClassRow& row : kClasses) {
        ClassDef def;
        def.name = row.name;
        def.flags = row.flags;
        def.oid = row.oid[0] != 0 ? std::string(row.oid) : "2.16.840.1.113719.1.1.6.1." + std::to_string(number);
        ++number;
        def.superClasses = SplitList(row.superClasses);
        def.containment = SplitList(row.containment);
        def.naming = SplitList(row.naming);
        def.mandatory = SplitList(row.mandatory);
        def.optional = SplitList(row.optional);
        schema.AddClass(std::move(def));
    }
    return schema;
}

} // namespace

Schema BaseSchema()
{
    // Built once; each tree starts from its own copy.
    static const Schema kBase = BuildBaseSchema();
    return kBase;
}

} // namespace veralith::client::memory
