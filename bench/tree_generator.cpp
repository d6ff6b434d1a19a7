#include "bench/tree_generator.h"

#include <cstdio>
#include <vector>

namespace veralith::bench {

namespace {

// SplitMix64: a small generator whose sequence is fixed by its seed.
class Random
{
public:
    explicit Random(std::uint64_t seed)
        : m_state(seed)
    { }
    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }
    double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }

private:
    std::uint64_t m_state;
};

const char* const kSurnames[] = {"Smith", "Johnson", "Williams", "Brown", "Jones", "Miller", "Davis", "Garcia",
    "Rodriguez", "Wilson", "Martinez", "Anderson", "Taylor", "Thomas", "Hernandez", "Moore", "Martin", "Jackson",
    "Thompson", "White", "Lopez", "Lee", "Gonzalez", "Harris", "Clark", "Lewis", "Robinson", "Walker", "Perez", "Hall",
    "Young", "Allen", "Sanchez", "Wright", "King", "Scott", "Green", "Baker", "Adams", "Nelson", "Hill", "Ramirez",
    "Campbell", "Mitchell", "Roberts", "Carter", "Phillips", "Evans", "Turner", "Torres", "Muller", "Schmidt",
    "Schneider", "Fischer", "Weber", "Meyer", "Wagner", "Becker", "Schulz", "Hoffmann"};
const char* const kGivenNames[] = {"James", "Mary", "John", "Patricia", "Robert", "Jennifer", "Michael", "Linda",
    "William", "Elizabeth", "David", "Barbara", "Richard", "Susan", "Joseph", "Jessica", "Thomas", "Sarah", "Charles",
    "Karen", "Anna", "Lukas", "Lena", "Felix", "Sophie", "Jonas", "Marie", "Paul", "Emma", "Leon"};
const char* const kTitles[] = {"Account Manager", "Engineer", "Senior Engineer", "Analyst", "Consultant",
    "Administrator", "Team Lead", "Director", "Assistant", "Technician", "Sales Representative", "Accountant"};
const char* const kRegions[] = {"North", "South", "East", "West", "Central", "Overseas"};
const char* const kDepartments[] = {
    "Sales", "Engineering", "Finance", "Support", "Marketing", "Operations", "Legal", "Research"};

template<typename T, std::size_t N>
const char* Pick(Random& random, const T (&list)[N])
{
    return list[random.Below(N)];
}

std::string Time(std::uint32_t seconds)
{
    return std::to_string(seconds);
}

} // namespace

std::string GenerateTreeFile(const TreeGeneratorOptions& options, GeneratedTreeStats* stats)
{
    Random random(options.seed);
    GeneratedTreeStats counts;
    std::string out;
    out.reserve(static_cast<std::size_t>(options.objects) * 700);
    out += "{\n\"format\": \"veralith-tree/1\",\n\"tree\": \"BENCH_TREE\",\n\"defaultNameContext\": \"Corp\",\n";
    out += "\"objects\": [\n";
    bool first = true;
    auto object = [&](const std::string& text) {
        if (!first) {
            out += ",\n";
        }
        first = false;
        out += text;
        ++counts.objects;
    };
    object(R"({"name":"Corp","class":"Organization","created":"2001-05-14T09:00:00Z"})");
    ++counts.containers;
    // Containers: regions, departments below them, teams below those.
    std::vector<std::string> teams;
    std::vector<std::string> groups;
    for (const char* region : kRegions) {
        const std::string regionName = std::string(region) + ".Corp";
        object(R"({"name":")" + regionName + R"(","class":"Organizational Unit"})");
        ++counts.containers;
        for (const char* department : kDepartments) {
            const std::string departmentName = std::string(department) + "." + regionName;
            object(R"({"name":")" + departmentName + R"(","class":"Organizational Unit"})");
            ++counts.containers;
            const std::string group = std::string(department) + "Staff." + departmentName;
            object(R"({"name":")" + group + R"(","class":"Group","attributes":{"Description":["Staff of )" +
                department + R"("]}})");
            ++counts.groups;
            groups.push_back(group);
            for (int t = 1; t <= 4; ++t) {
                const std::string team = "Team" + std::to_string(t) + "." + departmentName;
                object(R"({"name":")" + team + R"(","class":"Organizational Unit"})");
                ++counts.containers;
                teams.push_back(team);
            }
        }
    }
    // Users fill the rest, spread over the teams.
    std::vector<std::string> phones;
    std::uint32_t user = 0;
    char buffer[128];
    while (counts.objects < options.objects) {
        const std::size_t teamIndex = user % teams.size();
        const std::string& team = teams[teamIndex];
        const char* surname = Pick(random, kSurnames);
        const char* given = Pick(random, kGivenNames);
        std::snprintf(buffer, sizeof buffer, "u%06u", user);
        const std::string cn = buffer;
        std::string phone;
        if (!phones.empty() && random.Unit() < options.duplicatePhoneShare) {
            phone = phones[random.Below(static_cast<std::uint32_t>(phones.size()))];
            ++counts.usersWithDuplicatePhone;
        } else {
            std::snprintf(buffer, sizeof buffer, "+1 555 %07u", user);
            phone = buffer;
            phones.push_back(phone);
        }
        std::string text = R"({"name":")" + cn + "." + team + R"(","class":"User","created":)" +
            Time(978307200 + random.Below(157680000)) + R"(,"modified":)" + Time(1135987200 + random.Below(31536000)) +
            R"(,"attributes":{"Surname":[")" + surname + R"("],"Given Name":[")" + given + R"("],"Full Name":[")" +
            given + " " + surname + R"("],"Title":[")" + Pick(random, kTitles) + R"("],"Telephone Number":[")" + phone +
            R"("],"Internet EMail Address":[")" + cn + R"(@corp.example"])";
        std::snprintf(buffer, sizeof buffer, "%016llx%016llx", static_cast<unsigned long long>(random.Next()),
            static_cast<unsigned long long>(random.Next()));
        text += R"(,"GUID":["hex:)" + std::string(buffer) + R"("])";
        text += R"(,"Login Time":[)" + Time(1136073600 + random.Below(31536000)) + "]";
        text += R"(,"Login Disabled":[)" + std::string(random.Below(20) == 0 ? "true" : "false") + "]";
        text += R"(,"Login Grace Limit":[)" + std::to_string(random.Below(10)) + "]";
        text += R"(,"Group Membership":[")" + groups[teamIndex / 4] + R"("])";
        if (random.Below(4) == 0) {
            std::snprintf(buffer, sizeof buffer, "hex:0A%02X%02X%02X0451", random.Below(256), random.Below(256),
                random.Below(256));
            text += R"(,"Network Address":[{"type":1,"address":")" + std::string(buffer) + R"("}])";
        }
        text += "}}";
        object(text);
        ++counts.users;
        ++user;
    }
    out += "\n]\n}\n";
    if (stats != nullptr) {
        *stats = counts;
    }
    return out;
}

} // namespace veralith::bench
