// completion.cpp - `tarnadm completion bash`: the bash completion script,
// made from the command and option tables. Each command's arguments become
// a shape, one word per position ("kind key - assign*": an object kind, a
// key, anything, then FIELD= criteria); the script completes the word under
// the cursor by its place in the shape, asking tarnadm's hidden helpers for
// kinds, fields and keys.
#include "handlers.hpp"

#include <cstdio>

namespace tarnadm {
namespace {

constexpr const char *kScript = R"SCRIPT(# bash completion for tarnadm: eval "$(tarnadm completion bash)"
_tarnadm() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local commands="@COMMANDS@"
    local valued=" @VALUED@ "
    local options="@OPTIONS@"
    case $prev in
@VALUES@    esac
    if [[ $cur == -* ]]; then COMPREPLY=($(compgen -W "$options" -- "$cur")); return; fi
    local i word cmd="" kind="" npos=0 global=()
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ $valued == *" $word "* ]]; then
            case $word in
                @FORWARDED@) global+=("$word" "${COMP_WORDS[i+1]}") ;;
            esac
            ((i++)); continue
        fi
        [[ $word == -* ]] && continue
        if [[ -z $cmd ]]; then cmd=$word; continue; fi
        ((npos == 0)) && kind=$word
        ((npos++))
    done
    if [[ -z $cmd ]]; then COMPREPLY=($(compgen -W "$commands" -- "$cur")); return; fi
    local shape=""
    case $cmd in
@SHAPES@    esac
    local -a parts=($shape)
    local what=${parts[npos]}
    if [[ -z $what ]] && ((${#parts[@]})) && [[ ${parts[-1]} == *'*' ]]; then what=${parts[-1]}; fi
    case ${what%'*'} in
        kind) COMPREPLY=($(compgen -W "$(tarnadm "${global[@]}" __kinds 2>/dev/null)" -- "$cur")) ;;
        key) COMPREPLY=($(compgen -W "$(tarnadm "${global[@]}" __keys "$kind" 2>/dev/null)" -- "$cur")) ;;
        field) COMPREPLY=($(compgen -W "$(tarnadm "${global[@]}" __fields "$kind" 2>/dev/null)" -- "$cur")) ;;
        assign)
            local IFS=$'\n'
            COMPREPLY=($(compgen -S = -W "$(tarnadm "${global[@]}" __fields "$kind" 2>/dev/null)" -- "$cur"))
            compopt -o nospace 2>/dev/null ;;
        file) COMPREPLY=($(compgen -f -- "$cur")) ;;
        words:*) what=${what#words:}; COMPREPLY=($(compgen -W "${what//,/ }" -- "$cur")) ;;
    esac
}
complete -F _tarnadm tarnadm
)SCRIPT";

// The shape word of a completion; Words rows give "words:a,b".
std::string shape_word(Complete complete, const char *words)
{
    switch (complete) {
    case Complete::Kind: return "kind";
    case Complete::Key: return "key";
    case Complete::Field: return "field";
    case Complete::Assignment:
    case Complete::KeyCriteria: return "assign";
    case Complete::File: return "file";
    case Complete::Words: {
        std::string list;
        for (const std::string &w : words_of(words)) list += (list.empty() ? "" : ",") + w;
        return "words:" + list;
    }
    case Complete::Directory:
    case Complete::Nothing: break;
    }
    return "-";
}

std::string shape_of(const CommandRow &row)
{
    std::string shape;
    const std::size_t count = row.arguments.size();
    for (std::size_t i = 0; i < count; ++i)
        shape += (i ? " " : "") + shape_word(completion_at(row, i), row.arguments[i].words);
    if (count == 0 || row.arguments.back().one) return shape;
    // The last argument takes every remaining word: its completion repeats.
    const std::string next = shape_word(completion_at(row, count), row.arguments.back().words);
    return shape.ends_with(next) ? shape + "*" : shape + " " + next + "*";
}

// The case of one option's value: what follows `-o|--output)`.
std::string value_case(const GlobalOption &option)
{
    switch (option.complete) {
    case Complete::Words: return "COMPREPLY=($(compgen -W \"" + std::string(option.words) + "\" -- \"$cur\"))";
    case Complete::Directory: return "COMPREPLY=($(compgen -d -- \"$cur\"))";
    case Complete::File: return "COMPREPLY=($(compgen -f -- \"$cur\"))";
    default: return "";
    }
}

std::string joined(const std::vector<std::string> &words, const char *separator)
{
    std::string text;
    for (const std::string &w : words) text += (text.empty() ? "" : separator) + w;
    return text;
}

std::string script()
{
    std::vector<std::string> valued, options, forwarded;
    std::string values, shapes;
    for (const GlobalOption &o : global_options()) {
        const std::vector<std::string> names = names_of(o.names);
        options.insert(options.end(), names.begin(), names.end());
        if (o.flag || (o.traits & kOptionalValue)) continue;
        valued.insert(valued.end(), names.begin(), names.end());
        if (o.traits & kForwarded) forwarded.insert(forwarded.end(), names.begin(), names.end());
        if (const std::string action = value_case(o); !action.empty())
            values += "        " + joined(names, "|") + ") " + action + "; return ;;\n";
    }
    for (const CommandRow &row : command_table()) {
        for (const CommandFlag &f : row.flags)
            for (const std::string &n : names_of(f.names)) options.push_back(n);
        if (!(row.traits & kHidden))
            shapes += "        " + std::string(row.name) + ") shape=\"" + shape_of(row) + "\" ;;\n";
    }
    options.insert(options.end(), {"--version", "--help"});
    std::string text = kScript;
    auto fill = [&text](const std::string &mark, const std::string &with) {
        text.replace(text.find(mark), mark.size(), with);
    };
    fill("@COMMANDS@", joined(listed_commands(), " "));
    fill("@VALUED@", joined(valued, " "));
    fill("@OPTIONS@", joined(options, " "));
    fill("@VALUES@", values);
    fill("@FORWARDED@", joined(forwarded, "|"));
    fill("@SHAPES@", shapes);
    return text;
}

}  // namespace

int completion_command(Session &session, const Command &c)
{
    if (c.shell != "bash") return session.usage("completion: only bash is supported");
    std::fputs(script().c_str(), stdout);
    return kExitOk;
}

}  // namespace tarnadm
