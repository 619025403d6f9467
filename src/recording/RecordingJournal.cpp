// Used by the recording controller on the main thread.
#include "recording/RecordingJournal.h"

#include "platform/ProgramFolder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <utility>

namespace vorlane {

namespace {
// An entry's fields by their keys in the file; the path first, so that an entry torn after
// it still names its file.
template <class T> using Field = std::pair<const char*, T JournalEntry::*>;
const Field<std::string> kTexts[] = {
    {"Path", &JournalEntry::path},           {"FileName", &JournalEntry::fileName},
    {"StartTime", &JournalEntry::startTime}, {"Title", &JournalEntry::title},
    {"Artist", &JournalEntry::artist},       {"Album", &JournalEntry::album},
    {"Year", &JournalEntry::year},           {"Comment", &JournalEntry::comment},
    {"GenreName", &JournalEntry::genreName}, {"Suffix", &JournalEntry::suffix},
};
const Field<int> kNumbers[] = {
    {"Genre", &JournalEntry::genre},
    {"RecordNo", &JournalEntry::recordNo},
    {"Track", &JournalEntry::track},
};
const Field<bool> kFlags[] = {
    {"Catalogued", &JournalEntry::catalogued},
    {"Stopped", &JournalEntry::stopped},
};

std::string escape(const std::string& v) {
    std::string out;
    for (char c : v) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string unescape(const std::string& v) {
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '\\' || i + 1 == v.size()) {
            out += v[i];
            continue;
        }
        char c = v[++i];
        out += c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

int toInt(const std::string& v) {
    try {
        return std::stoi(v);
    } catch (...) {
        return 0;
    }
}
} // namespace

RecordingJournal::RecordingJournal(std::string filePath) : filePath_(std::move(filePath)) {
    entries_ = Load();
}

std::string RecordingJournal::DefaultPath() {
    return ProgramFolder::path() + "/" + kFileName;
}

std::string RecordingJournal::Serialize(const std::vector<JournalEntry>& entries) {
    std::string out;
    for (const auto& e : entries) {
        out += "[File]\n";
        auto put = [&](const char* key, const std::string& value) {
            out += std::string(key) + "=" + escape(value) + "\n";
        };
        for (const auto& [key, field] : kTexts)
            put(key, e.*field);
        for (const auto& [key, field] : kNumbers)
            put(key, std::to_string(e.*field));
        for (const auto& [key, field] : kFlags)
            put(key, e.*field ? "1" : "0");
    }
    return out;
}

std::vector<JournalEntry> RecordingJournal::Parse(const std::string& text) {
    std::vector<JournalEntry> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line == "[File]") {
            out.emplace_back();
            continue;
        }
        const size_t eq = line.find('=');
        if (out.empty() || eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const std::string value = unescape(line.substr(eq + 1));
        JournalEntry& e = out.back();
        for (const auto& [name, field] : kTexts)
            if (key == name)
                e.*field = value;
        for (const auto& [name, field] : kNumbers)
            if (key == name)
                e.*field = toInt(value);
        for (const auto& [name, field] : kFlags)
            if (key == name)
                e.*field = value == "1";
    }
    // An entry without a path (a torn write) names nothing to finish.
    out.erase(std::remove_if(out.begin(), out.end(), [](const auto& e) { return e.path.empty(); }),
              out.end());
    return out;
}

std::vector<JournalEntry> RecordingJournal::Load() const {
    std::ifstream in(filePath_, std::ios::binary);
    if (!in)
        return {};
    std::stringstream text;
    text << in.rdbuf();
    return Parse(text.str());
}

bool RecordingJournal::Save() {
    if (entries_.empty())
        return ::unlink(filePath_.c_str()) == 0 || errno == ENOENT;
    const std::string text = Serialize(entries_);
    const std::string aside = filePath_ + ".new";
    int fd = ::open(aside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(aside.c_str(), filePath_.c_str()) != 0) {
        ::unlink(aside.c_str());
        return false;
    }
    return true;
}

bool RecordingJournal::Add(const JournalEntry& entry) {
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [&](const auto& e) { return e.path == entry.path; }),
                   entries_.end());
    entries_.push_back(entry);
    return Save();
}

template <typename Edit> bool RecordingJournal::Change(const std::string& path, Edit edit) {
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const auto& e) { return e.path == path; });
    if (it == entries_.end())
        return true;
    edit(it);
    return Save();
}

bool RecordingJournal::MarkCatalogued(const std::string& path) {
    return Change(path, [](auto it) { it->catalogued = true; });
}

bool RecordingJournal::MarkStopped(const std::string& path) {
    return Change(path, [](auto it) { it->stopped = true; });
}

bool RecordingJournal::Remove(const std::string& path) {
    return Change(path, [this](auto it) { entries_.erase(it); });
}

} // namespace vorlane
