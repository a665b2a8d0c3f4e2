#include "cli/report_json.h"

#include "cli/convert_json.h"
#include <cstring>
#include <algorithm>
#include <string>
#include <string_view>

namespace {

using Text = std::string_view;

Text Trim(Text text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// A JSON number as the text writes it: -?digits[.digits][e[+-]digits].
bool IsNumber(Text t) {
    size_t i = 0;
    auto digits = [&] {
        size_t start = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
        return i > start;
    };
    if (i < t.size() && t[i] == '-') ++i;
    if (!digits()) return false;
    if (i < t.size() && t[i] == '.' && (++i, !digits())) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        if (!digits()) return false;
    }
    return i == t.size() && !(t.size() > 1 && t[0] == '0' && t[1] >= '0' && t[1] <= '9');
}

// One value: a quoted path, yes, none, a number, several numbers, or text.
void WriteValue(JsonWriter& json, const char* key, Text value, bool flag) {
    std::string text;
    if (flag) return json.Boolean(key, value == "yes");
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        text = value.substr(1, value.size() - 2);
        return json.Text(key, text.c_str());
    }
    if (value == "none") return json.Null(key);
    if (IsNumber(value)) return json.NumberText(key, value.data(), value.size());
    size_t blank = value.find(' ');
    if (blank != Text::npos && IsNumber(value.substr(0, blank))) {
        json.BeginArray(key);
        for (size_t at = 0; at <= value.size();) {
            size_t end = std::min(value.find(' ', at), value.size());
            Text number = value.substr(at, end - at);
            if (IsNumber(number))
                json.NumberText(nullptr, number.data(), number.size());
            else
                json.Text(nullptr, std::string(number).c_str());
            at = end + 1;
        }
        return json.End();
    }
    text = value;
    json.Text(key, text.c_str());
}

// The member's key: the label in lower case with blanks as underscores;
// the two "loaded" lines name what they are about.
std::string KeyOf(Text label, Text& previous) {
    std::string key;
    if (label == "object filepath") key = "path";
    else if (label == "material filepath") key = "material_path";
    else if (label == "loaded") key = previous == "material filepath" ? "material_loaded" : "loaded";
    else
        for (char c : label) key += c == ' ' || c == '-' ? '_' : c;
    if (label != "loaded") previous = label;
    return key;
}

}  // namespace

void WriteReportSections(JsonWriter& json, const ReportText& report) {
    Text text(report.text, size_t(report.length));
    Text previous;
    int32_t paths = 0, file = -1;
    bool in_section = false, in_details = false;
    // A file's own section ends with why it didn't load, as convert says it.
    auto close_section = [&] {
        if (in_section && !in_details) WriteReason(json, report.loaded[file] ? 0 : report.reason[file]);
        if (in_section) json.End();
        in_section = false;
    };
    for (size_t at = 0; at < text.size();) {
        size_t end = std::min(text.find('\n', at), text.size());
        size_t next_end = end < text.size() ? std::min(text.find('\n', end + 1), text.size()) : end;
        Text line = text.substr(at, end - at);
        Text underline = text.substr(std::min(end + 1, text.size()), next_end - std::min(end + 1, text.size()));
        at = end + 1;
        // A heading is underlined: "=" for the details part, "-" for a file's section.
        char rule = underline.empty() ? 0 : underline.front();
        bool heading = (rule == '-' || rule == '=') && underline.find_first_not_of(rule) == Text::npos;
        if (heading && rule == '=' && line == "Details") {
            close_section();
            json.BeginObject("details");
            in_details = true;
        } else if (heading && rule == '-') {
            close_section();
            file = line.rfind("Original", 0) == 0 ? 0 : 1;
            json.BeginObject(file == 0 ? "original" : "matching");
            in_section = true;
            previous = Text();
        }
        if (heading) {
            at = next_end + 1;
            continue;
        }
        size_t colon = line.find(": ");
        if (!in_section || colon == Text::npos) continue;
        std::string key = KeyOf(Trim(line.substr(0, colon)), previous);
        // A path is taken whole from where the report put it, whatever
        // bytes it holds; the text goes on after its closing quote's line.
        if ((key == "path" || key == "material_path") && paths < report.path_count) {
            size_t path_at = size_t(report.path_at[paths]);
            std::string path(text.substr(path_at, size_t(report.path_length[paths++])));
            json.Text(key.c_str(), path.c_str());
            at = std::min(text.find('\n', path_at + path.size()), text.size()) + 1;
            continue;
        }
        WriteValue(json, key.c_str(), Trim(line.substr(colon + 2)), key == "loaded" || key == "material_loaded");
    }
    close_section();
    if (in_details) json.End();
}
