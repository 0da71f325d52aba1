// qxexp demo: sample records and a handful of representative filters.

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>

#include "command_line.h"
#include "commands.h"
#include "file_system.h"
#include "progress.h"

const char kDemoUsage[] =
    "usage: qxexp demo [--records N] [--dir DIR] [--force]\n"
    "\n"
    "Writes a sample layout (orders of a shop), N sample orders as CSV rows and\n"
    "their record file into DIR, then runs a handful of filters over them:\n"
    "integers, texts, the priorities of \"and\" and \"or\", dates, decimals, a\n"
    "\"range\" with exclusions, and \"values\". For each it prints the filter, its\n"
    "explanation, how many records it matched and how fast. It writes only\n"
    "files it creates: when one of them is in DIR already, it stops, unless\n"
    "--force lets it replace them.\n"
    "\n"
    "options:\n"
    "  --records N  how many orders (default 100000)\n"
    "  --dir DIR    where the files go (default ./qxdata)\n"
    "  --force      replace the demo's files in DIR (a link itself, never the file\n"
    "               it leads to)\n";

namespace {

constexpr unsigned long long kDefaultRecords = 100000;
// Order numbers count from here, in a signed 4-byte field.
constexpr unsigned long long kFirstOrder = 100000;
constexpr unsigned long long kMostRecords = std::numeric_limits<int32_t>::max() - kFirstOrder + 1;

const char kLayout[] =
    "# The sample record of qxexp demo: an order of a shop.\n"
    "order     db 0 4 int\n"
    "customer  db 4 16 char 0.0\n"
    "country   db 20 2 char 0.0\n"
    "quantity  db 22 2 int\n"
    "price     db 24 5 decimal 9.2\n"
    "ordered   db 29 4 date\n"
    "express   db 33 1 logical\n"
    "weight    db 34 8 float\n";

struct DemoFilter {
  const char* title;
  const char* text;
};

const DemoFilter kFilters[] = {
    {"integers: 95 items or more", "db 22 2 int >= val 2 int 95"},
    {"texts: orders to Norway", "db 20 2 char 0.0 = val 2 char \"NO\""},
    {"priorities: \"or\" binds tighter than \"and\", so this is more than 90 items\n"
     "   and (to Norway or to Sweden)",
     "db 22 2 int > val 2 int 90 and db 20 2 char 0.0 = val 2 char \"NO\" or db 20 2 char 0.0 = val 2 char \"SE\""},
    {"dates: ordered in the first half of December 2025",
     "db 29 4 date >= val 4 date 12 1 2025 and db 29 4 date <= val 4 date 12 15 2025"},
    {"decimals: a price of 1950.25 or more (a packed decimal field)",
     "db 24 5 decimal 9.2 >= val 8 decimal 9.2 1950.25"},
    {"range with exclusions: 10 to 20 items, but not 13 and not 15 to 17",
     "range 1 db 22 2 int val 2 int 10 val 2 int 20 exclude values val 2 int 13 "
     "exclude range val 2 int 15 val 2 int 17"},
    {"values: express orders to Norway or to Denmark",
     "values 2 db 20 2 char 0.0 db 33 1 logical val 2 char \"NO\" val 1 logical Y val 2 char \"DK\" val 1 logical Y"},
};

const char* const kFirstNames[] = {"Ada", "Bo", "Cai", "Dina", "Emil", "Frida", "Gus", "Hanna",
                                   "Ivo", "Jonas", "Kari", "Lea", "Mads", "Nora", "Olav", "Pia"};
const char* const kLastNames[] = {"Berg", "Dahl", "Eide", "Foss", "Holm", "Lund", "Moe", "Nes",
                                  "Ruud", "Strand", "Vik", "Aas"};
const char* const kCountries[] = {"NO", "SE", "DK", "FI", "DE", "FR", "NL", "GB", "US", "JP"};

// The same numbers on every machine, so that every run matches alike.
class Numbers {
 public:
  uint32_t Below(uint32_t n) {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>((state_ >> 33) % n);
  }

 private:
  uint64_t state_ = 20250101;
};

template <typename T, size_t N>
const T& Pick(Numbers& numbers, const T (&choices)[N]) {
  return choices[numbers.Below(N)];
}

// Day `day` from January 1st, 2024, written month day year.
std::string DateText(uint32_t day) {
  static const int kMonthDays[2][12] = {{31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                        {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};
  int year = 2024;
  int month = 0;
  int left = static_cast<int>(day);
  for (;;) {
    const int* days = kMonthDays[year == 2024 ? 0 : 1];
    if (left < days[month]) break;
    left -= days[month];
    if (++month == 12) {
      month = 0;
      ++year;
    }
  }
  return std::to_string(month + 1) + " " + std::to_string(left + 1) + " " + std::to_string(year);
}

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// The demo writes only files it creates: none may be there already, unless
// --force lets it remove them first (a link itself, never what it leads to).
bool MayCreate(const std::string& path, bool force, std::string* error) {
  std::error_code failure;
  const std::filesystem::file_status there = std::filesystem::symlink_status(path, failure);
  if (!std::filesystem::exists(there)) return true;
  if (!force) {
    *error = path + " exists: the demo writes only files it creates (--force replaces them)";
    return false;
  }
  if (!std::filesystem::is_regular_file(there) && !std::filesystem::is_symlink(there)) {
    *error = path + " exists and is no file the demo may replace";
    return false;
  }
  if (!std::filesystem::remove(path, failure)) {
    *error = "cannot remove " + path + ": " + failure.message();
    return false;
  }
  return true;
}

FilePtr CreateDemoFile(const std::string& path, std::string* error) {
  FilePtr file(CreateNewFile(path), std::fclose);
  if (file == nullptr) {
    *error = errno == EEXIST ? path + " was made by another program meanwhile"
                             : "cannot create " + path + ": " + std::strerror(errno);
  }
  return file;
}

// Closes `file`, false with a message when any of its bytes did not reach it.
bool Close(FilePtr file, const std::string& path, std::string* error) {
  const bool written = std::fflush(file.get()) == 0 && !std::ferror(file.get());
  const int reason = errno;
  const bool closed = std::fclose(file.release()) == 0;
  if (!written || !closed) {
    *error = "cannot write " + path + ": " + std::strerror(written ? errno : reason);
    return false;
  }
  return true;
}

bool WriteText(const std::string& path, const std::string& text, std::string* error) {
  FilePtr file = CreateDemoFile(path, error);
  if (file == nullptr) return false;
  std::fwrite(text.data(), 1, text.size(), file.get());
  return Close(std::move(file), path, error);
}

// Row after row as they are made: the rows of many orders would not fit in
// memory at once.
bool WriteOrders(const std::string& path, unsigned long long count, std::string* error) {
  FilePtr file = CreateDemoFile(path, error);
  if (file == nullptr) return false;
  std::fputs("order,customer,country,quantity,price,ordered,express,weight\n", file.get());
  Numbers numbers;
  for (unsigned long long i = 0; i < count && !std::ferror(file.get()); ++i) {
    const uint32_t cents = 50 + numbers.Below(199951);
    std::fprintf(file.get(), "%llu,%s %s,%s,%u,%u.%02u,%s,%s,%u.%u\n", kFirstOrder + i, Pick(numbers, kFirstNames),
                 Pick(numbers, kLastNames), Pick(numbers, kCountries), 1 + numbers.Below(100), cents / 100,
                 cents % 100, DateText(numbers.Below(731)).c_str(), numbers.Below(5) == 0 ? "Y" : "N",
                 1 + numbers.Below(50), numbers.Below(10));
  }
  return Close(std::move(file), path, error);
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int RunDemo(const std::vector<std::string>& args) {
  CommandLine line;
  std::string error;
  if (!ParseCommandLine(args, {{"--records", nullptr, true}, {"--dir", nullptr, true}, {"--force", nullptr, false}},
                        &line, &error)) {
    return UsageError("demo", error);
  }
  if (line.Has("--help")) {
    std::fputs(kDemoUsage, stdout);
    return kExitOk;
  }
  if (!line.positional.empty()) return UsageError("demo", "unexpected argument '" + line.positional[0] + "'");
  unsigned long long count = kDefaultRecords;
  if (line.Has("--records") && (!ParseCount(line.Value("--records"), 1, &count) || count > kMostRecords)) {
    return UsageError("demo", "--records takes a whole number from 1 to " + std::to_string(kMostRecords));
  }
  const bool force = line.Has("--force");
  const std::filesystem::path dir = line.Value("--dir", "qxdata");
  std::error_code failure;
  std::filesystem::create_directories(dir, failure);
  if (failure) return InputError("cannot create " + dir.string() + ": " + failure.message());
  const std::string layout_path = (dir / "orders.layout").string();
  const std::string csv_path = (dir / "orders.csv").string();
  const std::string records_path = (dir / "orders.records").string();
  for (const std::string* path : {&layout_path, &csv_path, &records_path}) {
    if (!MayCreate(*path, force, &error)) return InputError(error);
  }

  const auto start = std::chrono::steady_clock::now();
  Layout layout;
  if (!WriteText(layout_path, kLayout, &error) || !ParseLayout(kLayout, layout_path, &layout, &error) ||
      !WriteOrders(csv_path, count, &error)) {
    return InputError(error);
  }
  FilePtr csv(std::fopen(csv_path.c_str(), "rb"), std::fclose);
  if (csv == nullptr) return InputError("cannot open " + csv_path + ": " + std::strerror(errno));
  // The records file is made here, empty, so that it too is the demo's own
  // before the records replace it.
  if (!WriteText(records_path, "", &error)) return InputError(error);
  uint64_t written = 0;
  if (!MakeRecords(layout, csv.get(), csv_path, records_path, &written, &error)) {
    std::filesystem::remove(records_path, failure);
    return InputError(error);
  }
  csv.reset();
  std::printf(
      "qxexp demo: %llu sample orders, %d bytes of data each, made in %.2f s:\n"
      "  %s  the layout: a name and a field reference per field\n"
      "  %s  the orders as CSV rows\n"
      "  %s  their record buffers (qxexp records make)\n",
      static_cast<unsigned long long>(written), layout.data_length, SecondsSince(start), layout_path.c_str(),
      csv_path.c_str(), records_path.c_str());

  int number = 0;
  for (const DemoFilter& demo : kFilters) {
    std::printf("\n== %d. %s\nfilter: %s\n", ++number, demo.title, demo.text);
    Filter filter;
    if (!filter.Compile(demo.text)) return kExitError;
    PrintExplanation(stdout, filter.Nodes());
    FilterPass pass;
    pass.file = records_path;
    pass.print_rows = false;
    pass.closing_line = false;
    FilterCounts counts;
    if (!RunFilterPass(filter, pass, &counts)) return kExitError;
    std::printf("matched %llu of %llu records in %.3f s (%s)\n", static_cast<unsigned long long>(counts.matched),
                static_cast<unsigned long long>(counts.read), counts.seconds,
                RateText(counts.read, counts.seconds).c_str());
  }
  std::printf(
      "\nTry next:\n"
      "  qxexp records show %s %s\n"
      "  qxexp filter '%s' %s --layout %s\n"
      "  qxexp filter '%s' %s --count --trace 1\n"
      "  qxexp explain 'db 22 2 int >= val 2 int'\n",
      layout_path.c_str(), records_path.c_str(), kFilters[0].text, records_path.c_str(), layout_path.c_str(),
      kFilters[6].text, records_path.c_str());
  std::fflush(stdout);
  return kExitOk;
}
