#include "shell/tool_command.h"

#include "dsp/text.h"

namespace zevrin {

namespace {

// Bytes of the UTF-8 sequence that starts with `lead`.
size_t sequence_length(unsigned char lead) {
    if (lead >= 0xF0) {
        return 4;
    }
    if (lead >= 0xE0) {
        return 3;
    }
    return lead >= 0xC0 ? 2 : 1;
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::string accelerator_of(std::string_view menutext) {
    const std::string lower = lower_case(menutext);
    const size_t amp = lower.find('&');
    if (amp == std::string::npos || amp + 1 >= lower.size()) {
        return {};
    }
    const size_t n = sequence_length(static_cast<unsigned char>(lower[amp + 1]));
    return lower.substr(amp + 1, n);
}

bool is_free_hotkey(char c, std::string_view used) {
    const char u = upper(c);
    if (!((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z'))) {
        return false;
    }
    for (char x : used) {
        if (upper(x) == u) {
            return false;
        }
    }
    return true;
}

std::string add_accelerator(std::string_view text, std::string_view used) {
    std::string plain;
    for (char c : text) {
        if (c != '&') {
            plain += c;
        }
    }
    for (size_t i = 0; i < plain.size(); ++i) {
        if (is_free_hotkey(plain[i], used)) {
            return plain.substr(0, i) + "&" + plain.substr(i);
        }
    }
    return plain;
}

std::string hotkey_conflict(const std::vector<std::string>& menutexts, std::string& used) {
    std::string conflicts;
    used.clear();
    for (const std::string& text : menutexts) {
        const std::string c = accelerator_of(text);
        if (c.empty()) {
            continue;
        }
        if (used.find(c) != std::string::npos) {
            conflicts += c;
        }
        used += c;
    }
    return conflicts;
}

std::string expand_params(std::string_view text,
                          const std::function<std::string(const std::string&)>& value_of) {
    std::string result;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '%') {
            result += text[i++];
            continue;
        }
        size_t end = i + 1;
        while (end < text.size() && text[end] != ' ') {
            ++end;
        }
        result += value_of(std::string(text.substr(i, end - i)));
        i = end;
    }
    return result;
}

std::vector<std::string> split_arguments(std::string_view text) {
    std::vector<std::string> args;
    std::string current;
    bool in_argument = false;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"') {
                current += c;
            } else if (i + 1 < text.size() && text[i + 1] == '"') {
                current += '"';
                ++i;
            } else {
                quoted = false;
            }
        } else if (is_blank(c)) {
            if (in_argument) {
                args.push_back(current);
                current.clear();
                in_argument = false;
            }
        } else {
            in_argument = true;
            if (c == '"') {
                quoted = true;
            } else {
                current += c;
            }
        }
    }
    if (in_argument) {
        args.push_back(current);
    }
    return args;
}

std::string command_text(const std::string& program, const std::vector<std::string>& args) {
    std::string text = "\"" + program + "\"";
    for (const std::string& a : args) {
        const bool quote = a.empty() || a.find_first_of(" \t\"") != std::string::npos;
        text += " ";
        if (quote) {
            text += "\"" + replace_all(a, "\"", "\"\"") + "\"";
        } else {
            text += a;
        }
    }
    return text;
}

} // namespace zevrin
