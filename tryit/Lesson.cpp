// SPDX-License-Identifier: MIT
#include "Lesson.h"

#include <algorithm>

namespace tryit {

namespace {

constexpr const char* kOperationHelp = "use i, x, c, r, b, n, s or z, as in i17, c3=40 or b5.3.8";

/// A whole number with an optional '-': at most 6 characters, so it cannot
/// overflow; the range is checked by the caller.
bool readInt(std::string_view text, int& value) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 6) {
        return false;
    }
    int parsed = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        parsed = parsed * 10 + (c - '0');
    }
    value = negative ? -parsed : parsed;
    return true;
}

/// A value, in range.
bool readValue(std::string_view text, int& value, std::string& why) {
    if (!readInt(text, value)) {
        why = "\"" + std::string(text) + "\" is not a whole number";
        return false;
    }
    if (value < kMinValue || value > kMaxValue) {
        why = std::string(text) + " is out of range: values run from " + std::to_string(kMinValue) +
              " to " + std::to_string(kMaxValue);
        return false;
    }
    return true;
}

/// A position: digits only, at most 3 of them (past 254 it cannot run anyway).
bool readPosition(std::string_view text, int& position) {
    if (text.empty() || text.size() > 3 || text.front() == '-') {
        return false;
    }
    return readInt(text, position);
}

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string decode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 &&
                   hexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

std::optional<Operation> parseOperation(std::string_view code, std::string& why) {
    Operation op;
    if (code.empty()) {
        why = "an empty operation";
        return std::nullopt;
    }
    const char letter = code.front();
    const std::string_view rest = code.substr(1);
    switch (letter) {
    case 'x':
    case 's':
    case 'z':
        if (!rest.empty()) {
            why = std::string(1, letter) + " takes nothing after it";
            return std::nullopt;
        }
        op.kind = letter == 'x'   ? Operation::Kind::Extract
                  : letter == 's' ? Operation::Kind::Sort
                                  : Operation::Kind::Clear;
        return op;
    case 'i':
        op.kind = Operation::Kind::Insert;
        if (rest.empty()) {
            why = "i needs a value, as in i17";
            return std::nullopt;
        }
        if (!readValue(rest, op.value, why)) {
            return std::nullopt;
        }
        return op;
    case 'r':
        op.kind = Operation::Kind::Remove;
        if (!readPosition(rest, op.position)) {
            why = "r needs a position from 0, as in r3";
            return std::nullopt;
        }
        return op;
    case 'c': {
        op.kind = Operation::Kind::Change;
        const std::size_t equals = rest.find('=');
        if (equals == std::string_view::npos ||
            !readPosition(rest.substr(0, equals), op.position) || equals + 1 == rest.size()) {
            why = "c needs a position and a value, as in c3=40";
            return std::nullopt;
        }
        if (!readValue(rest.substr(equals + 1), op.value, why)) {
            return std::nullopt;
        }
        return op;
    }
    case 'b':
    case 'n': {
        op.kind = letter == 'b' ? Operation::Kind::BuildBottomUp : Operation::Kind::BuildOneByOne;
        if (rest.empty()) {
            why = std::string(1, letter) + " needs values separated by dots, as in " + letter +
                  "5.3.8.1";
            return std::nullopt;
        }
        std::size_t start = 0;
        while (start <= rest.size()) {
            const std::size_t dot = std::min(rest.find('.', start), rest.size());
            int value = 0;
            if (!readValue(rest.substr(start, dot - start), value, why)) {
                return std::nullopt;
            }
            op.values.push_back(value);
            if (op.values.size() > static_cast<std::size_t>(kMaxItems)) {
                why = "a heap holds at most " + std::to_string(kMaxItems) + " values";
                return std::nullopt;
            }
            start = dot + 1;
        }
        return op;
    }
    default:
        why = "not an operation (" + std::string(kOperationHelp) + ")";
        return std::nullopt;
    }
}

std::string formatOperation(const Operation& op) {
    switch (op.kind) {
    case Operation::Kind::Insert:
        return "i" + std::to_string(op.value);
    case Operation::Kind::Extract:
        return "x";
    case Operation::Kind::Change:
        return "c" + std::to_string(op.position) + "=" + std::to_string(op.value);
    case Operation::Kind::Remove:
        return "r" + std::to_string(op.position);
    case Operation::Kind::BuildBottomUp:
    case Operation::Kind::BuildOneByOne: {
        std::string code = op.kind == Operation::Kind::BuildBottomUp ? "b" : "n";
        for (std::size_t i = 0; i < op.values.size(); ++i) {
            code += (i == 0 ? "" : ".") + std::to_string(op.values[i]);
        }
        return code;
    }
    case Operation::Kind::Sort:
        return "s";
    case Operation::Kind::Clear:
        return "z";
    }
    return {};
}

Lesson parseLesson(const LinkParameters& parameters, std::vector<std::string>& messages) {
    Lesson lesson;
    if (parameters.mode) {
        if (*parameters.mode == "try") {
            lesson.tryMode = true;
        } else if (*parameters.mode != "watch") {
            messages.push_back("Ignored mode=" + *parameters.mode +
                               " in the link: use mode=try or mode=watch.");
        }
    }
    if (parameters.heap) {
        if (*parameters.heap == "max") {
            lesson.kind = HeapKind::Max;
        } else if (*parameters.heap != "min") {
            messages.push_back("Ignored heap=" + *parameters.heap +
                               " in the link: use heap=min or heap=max.");
        }
    }
    if (parameters.at) {
        int frame = 0;
        if (!parameters.at->empty() && parameters.at->front() != '-' &&
            readInt(*parameters.at, frame)) {
            lesson.at = static_cast<std::size_t>(frame);
        } else {
            messages.push_back("Ignored at=" + *parameters.at +
                               " in the link: at is a frame number from 0.");
        }
    }
    if (parameters.ops) {
        const std::string_view ops = *parameters.ops;
        std::size_t start = 0;
        while (start < ops.size()) {
            const std::size_t comma = std::min(ops.find(',', start), ops.size());
            const std::string_view code = ops.substr(start, comma - start);
            start = comma + 1;
            if (code.empty()) {
                continue; // "i5,,x" or a trailing comma: nothing was meant
            }
            std::string why;
            if (std::optional<Operation> op = parseOperation(code, why)) {
                lesson.operations.push_back(std::move(*op));
            } else {
                messages.push_back("Ignored " + quoted(code) + " in the link: " + why + ".");
            }
        }
    }
    return lesson;
}

std::string formatLesson(const Lesson& lesson) {
    std::string query = lesson.tryMode ? "mode=try" : "mode=watch";
    if (lesson.kind == HeapKind::Max) {
        query += "&heap=max";
    }
    if (lesson.at) {
        query += "&at=" + std::to_string(*lesson.at);
    }
    if (!lesson.operations.empty()) {
        query += "&ops=";
        for (std::size_t i = 0; i < lesson.operations.size(); ++i) {
            query += (i == 0 ? "" : ",") + formatOperation(lesson.operations[i]);
        }
    }
    return query;
}

std::string linkTo(const Session& session, std::size_t frame) {
    Lesson lesson;
    lesson.tryMode = true;
    lesson.kind = session.kind();
    lesson.operations = session.operations();
    if (frame + 1 < session.frameCount()) {
        lesson.at = frame;
    }
    return formatLesson(lesson);
}

OpenedLesson openLesson(const Lesson& lesson, std::vector<std::string>& messages) {
    OpenedLesson opened{Session(lesson.kind), 0};
    for (std::size_t i = 0; i < lesson.operations.size(); ++i) {
        const Operation& op = lesson.operations[i];
        const std::string why = opened.session.run(op);
        if (!why.empty()) {
            messages.push_back("Skipped " + quoted(formatOperation(op)) + " (operation " +
                               std::to_string(i + 1) + " in the link): " + why);
        }
    }
    const std::size_t last = opened.session.frameCount() - 1;
    opened.frame = last;
    if (lesson.at) {
        if (*lesson.at > last) {
            messages.push_back("The link's at=" + std::to_string(*lesson.at) +
                               " is past the last frame, " + std::to_string(last) +
                               ": showing the last frame.");
        } else {
            opened.frame = *lesson.at;
        }
    }
    return opened;
}

LinkParameters parseQuery(std::string_view query) {
    if (!query.empty() && query.front() == '?') {
        query.remove_prefix(1);
    }
    LinkParameters parameters;
    std::size_t start = 0;
    while (start < query.size()) {
        const std::size_t amp = std::min(query.find('&', start), query.size());
        const std::string_view pair = query.substr(start, amp - start);
        start = amp + 1;
        const std::size_t equals = pair.find('=');
        const std::string key = decode(pair.substr(0, equals));
        const std::string value =
            equals == std::string_view::npos ? std::string() : decode(pair.substr(equals + 1));
        std::optional<std::string>* slot = key == "mode"   ? &parameters.mode
                                           : key == "heap" ? &parameters.heap
                                           : key == "at"   ? &parameters.at
                                           : key == "ops"  ? &parameters.ops
                                                           : nullptr;
        if (slot != nullptr && !*slot) {
            *slot = value;
        }
    }
    return parameters;
}

} // namespace tryit
