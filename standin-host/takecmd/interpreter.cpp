// takecmd/interpreter.cpp, part of the stand-in TakeCmd.dll: runs a command
// line (echo, set, exit, call, plugin, help, a batch file's name) and batch
// files, line by line; keeps what `exit` asked and the last command's status.
#include "interpreter.h"
#include "expand.h"
#include "host_state.h"
#include "output.h"
#include "plugins.h"
#include "text.h"
#include "utf8.h"

// Set by `exit` and cleared when the next top-level command starts: while it
// is set, batch files stop and the host program ends its session.
static bool ExitAsked;
static int ExitCode;
static int LastStatus; // of the last command run, at any batch depth
enum { MaxBatchNesting = 16 };

static bool EndsWithNoCase(const std::wstring &text, const wchar_t *suffix)
{
    size_t length = lstrlenW(suffix);
    return text.size() >= length && lstrcmpiW(text.c_str() + text.size() - length, suffix) == 0;
}

static bool IsBatchFile(const std::wstring &name)
{
    return EndsWithNoCase(name, L".btm") || EndsWithNoCase(name, L".bat") ||
           EndsWithNoCase(name, L".cmd");
}

static std::wstring Unquoted(const std::wstring &text)
{
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"')
        return text.substr(1, text.size() - 2);
    return text;
}

static int SetVariable(const std::wstring &assignment)
{
    size_t equals = assignment.find(L'=');
    if (equals == std::wstring::npos || equals == 0) {
        WriteError(L"TCC: Usage : SET name=value\r\n");
        return 2;
    }
    std::wstring name = assignment.substr(0, equals);
    std::wstring value = assignment.substr(equals + 1);
    SetEnvironmentVariableW(name.c_str(), value.empty() ? NULL : value.c_str());
    return 0;
}

int HostExitRequested(int *code)
{
    if (ExitAsked && code)
        *code = ExitCode;
    return ExitAsked;
}

// plugin /l FILE loads a plug-in; plugin /u NAME shuts down and unloads the
// one its descriptor names so.
static int PluginCommand(const std::wstring &rest)
{
    const std::wstring option = rest.substr(0, 3);
    const std::wstring operand = rest.size() > 3 ? Unquoted(Trimmed(rest.substr(3))) : L"";
    if (!operand.empty() && lstrcmpiW(option.c_str(), L"/l ") == 0)
        return HostLoadPlugin(operand.c_str()) == 0 ? 0 : 2;
    if (!operand.empty() && lstrcmpiW(option.c_str(), L"/u ") == 0)
        return HostUnloadPlugin(operand.c_str()) == 0 ? 0 : 2;
    WriteError(L"TCC: Usage : PLUGIN /L FILE | /U NAME\r\n");
    return 2;
}

// exit [code]: the code is a whole number (a Windows exit code is 32 bits;
// a Unix shell sees it modulo 256); without one, the status of the last
// command run. A malformed code ends nothing.
static int Exit(const std::wstring &argument)
{
    std::wstring code = Trimmed(argument);
    long long value = LastStatus;
    if (!code.empty()) {
        size_t i = code[0] == L'-' ? 1 : 0;
        value = 0;
        bool valid = i < code.size() && code.size() - i <= 10;
        for (; valid && i < code.size(); ++i) {
            valid = code[i] >= L'0' && code[i] <= L'9';
            value = value * 10 + (code[i] - L'0');
        }
        if (code[0] == L'-')
            value = -value;
        if (!valid || value < -2147483648LL || value > 4294967295LL) {
            WriteError(L"TCC: Usage : EXIT [code]  (a whole number, not \"" + code + L"\")\r\n");
            return 2;
        }
    }
    ExitAsked = true;
    ExitCode = (int)(unsigned int)value;
    return ExitCode;
}

static int Execute(const std::wstring &line);

int HostExecute(const wchar_t *commandLine)
{
    if (BatchDepth() == 0)
        ExitAsked = false;
    std::wstring line = commandLine ? commandLine : L"";
    size_t start = line.find_first_not_of(L" \t");
    if (start == std::wstring::npos)
        return 0; // no command: the last status stands
    line.erase(0, start);
    if (line[0] == L'@') // "@command": not echoed, which a stand-in never does anyway
        line.erase(0, 1);
    if (line.rfind(L"::", 0) == 0 || lstrcmpiW(line.substr(0, 4).c_str(), L"rem ") == 0 ||
        lstrcmpiW(line.c_str(), L"rem") == 0)
        return 0;
    LastStatus = Execute(line);
    return ExitAsked ? ExitCode : LastStatus;
}

static int Execute(const std::wstring &line)
{
    std::wstring expanded;
    if (!Expand(line, expanded))
        return 2; // the failing function has said why

    size_t wordEnd = expanded.find_first_of(L" \t");
    std::wstring command = expanded.substr(0, wordEnd);
    std::wstring rest =
        wordEnd == std::wstring::npos ? std::wstring() : expanded.substr(wordEnd + 1);

    if (lstrcmpiW(command.c_str(), L"echo") == 0) {
        WriteText(HostOutput(), rest + L"\r\n");
        return 0;
    }
    if (lstrcmpiW(command.c_str(), L"set") == 0)
        return SetVariable(rest);
    if (lstrcmpiW(command.c_str(), L"exit") == 0)
        return Exit(rest);
    if (lstrcmpiW(command.c_str(), L"call") == 0)
        return HostRunBatch(Unquoted(rest).c_str());
    if (lstrcmpiW(command.c_str(), L"plugin") == 0)
        return PluginCommand(rest);
    if (lstrcmpiW(command.c_str(), L"help") == 0)
        return ShowPluginHelp(Trimmed(rest)) ? 0 : 2;
    if (IsBatchFile(Unquoted(command)))
        return HostRunBatch(Unquoted(command).c_str());

    WriteError(L"TCC: Unknown command \"" + command + L"\"\r\n");
    return 2;
}

// A batch file's text: UTF-16 with its byte-order mark, otherwise UTF-8.
static bool ReadBatchText(const wchar_t *path, std::wstring &text)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string bytes;
    char chunk[4096];
    DWORD read;
    while (ReadFile(file, chunk, sizeof chunk, &read, NULL) && read > 0)
        bytes.append(chunk, read);
    CloseHandle(file);

    if (bytes.size() >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE) {
        text.assign((const wchar_t *)(bytes.data() + 2), (bytes.size() - 2) / 2);
        return true;
    }
    size_t skip = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    text = FromUtf8(bytes.data() + skip, bytes.size() - skip);
    return true;
}

int HostRunBatch(const wchar_t *path)
{
    wchar_t fullPath[MAX_PATH * 4];
    std::wstring text;
    if (!GetFullPathNameW(path, MAX_PATH * 4, fullPath, NULL) || !ReadBatchText(fullPath, text)) {
        WriteError(L"TCC: Cannot open batch file \"" + std::wstring(path) + L"\"\r\n");
        return 2;
    }
    if (BatchDepth() >= MaxBatchNesting) {
        WriteError(L"TCC: Batch files nested too deeply\r\n");
        return 2;
    }

    if (BatchDepth() == 0)
        ExitAsked = false;
    EnterBatch(fullPath);
    for (size_t start = 0; start <= text.size() && !ExitAsked;) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        NextBatchLine();
        HostExecute(line.c_str()); // as in a real batch file, an error does not end it
        start = end + 1;
    }
    LeaveBatch();
    return 0;
}
