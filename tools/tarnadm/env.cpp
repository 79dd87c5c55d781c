// env.cpp - `tarnadm env`: the environment table, where each run-time
// module is found, and what would stop a request with the fix for it; and
// `tarnadm completion bash`.
#include "commands.hpp"

#include <dlfcn.h>
#include <link.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tarnadm {
namespace {

struct ModuleInfo {
    std::string name, path;  // path "" when not found
};

ModuleInfo find_module(const std::string &name)
{
    ModuleInfo info{name, ""};
    if (void *module = TarnLoadModule(name.c_str())) {
        struct link_map *map = nullptr;
        if (dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name) info.path = map->l_name;
        TarnFreeModule(module);
    }
    return info;
}

bool is_directory(const std::string &path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool is_file(const std::string &path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The router a request would load.
std::string router_module(const Session &session)
{
    const std::string &r = session.settings.router;
    if (!r.empty() && r != "demo" && r != "remote") return r;
    return ZeEnvBool(ZE_ENV_DEMO_ROUTER) ? "TarnRpdb" : "TarnRout";
}

// Values that someone meant as "on" but the library reads as false.
bool looks_true(std::string_view value)
{
    std::string lower(value);
    for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char *word : {"1", "on", "yes", "true", "y", "enabled", "enable"})
        if (lower == word) return true;
    return false;
}

std::vector<std::string> find_problems(const Session &session, const std::vector<ModuleInfo> &modules)
{
    std::vector<std::string> problems;
    const std::string dataDir = ZeEnv(ZE_ENV_TARN_DATA_DIR);
    if (dataDir.empty()) problems.push_back("no data directory: give --data-dir DIR or set TARN_DATA_DIR");
    else if (!is_directory(dataDir))
        problems.push_back("the data directory " + dataDir + " does not exist: fix TARN_DATA_DIR or --data-dir");
    else if (!is_file(dataDir + "/tarnobjs.dat"))
        problems.push_back("no object registry " + dataDir +
                           "/tarnobjs.dat: copy the registry into the data directory");
    const std::string demo = ZeEnv(ZE_ENV_DEMO_ROUTER);
    if (!demo.empty() && !ZeEnvBool(ZE_ENV_DEMO_ROUTER))
        problems.push_back("DEMO_ROUTER=" + demo + " is read as false" +
                           (looks_true(demo) ? std::string(": only 1, ON, YES and TRUE count, in capitals") : "") +
                           " (tarnadm --router demo sets it)");
    const std::string router = router_module(session);
    for (const ModuleInfo &m : modules)
        if (m.name == router && m.path.empty())
            problems.push_back("the router module " + router + " is not found: build it, or add its directory to " +
                               "TARN_MODULE_PATH" + (router == "TarnRout" ? " (or use --router demo)" : ""));
    if (const char *config = std::getenv("KVS_CONFIG"); config && *config && !is_file(config))
        problems.push_back(std::string("KVS_CONFIG names ") + config + ", which does not exist");
    if (session.settings.node.empty()) problems.push_back("no node: give --node NODE or set TARN_NODE");
    return problems;
}

}  // namespace

int env_command(Session &session)
{
    std::vector<std::string> names = {"kvsenv", "kvscomn", "TarnRpdb", "TarnRout", "TarnObjs", "TarnStrings"};
    const std::string router = router_module(session);
    bool listed = false;
    for (const std::string &n : names) listed = listed || n == router;
    if (!listed) names.push_back(router);
    std::vector<ModuleInfo> modules;
    for (const std::string &n : names) modules.push_back(find_module(n));
    char registry[TARN_MAX_PATH] = "";
    const bool haveRegistry = ZeBuildDataFilename("tarnobjs.dat", registry, sizeof registry) == ZE_OK;
    const std::vector<std::string> problems = find_problems(session, modules);
    const char *modulePath = std::getenv("TARN_MODULE_PATH");

    if (session.settings.format == Format::Json) {
        nlohmann::ordered_json env = nlohmann::ordered_json::object(), found = nlohmann::ordered_json::object();
        for (int i = 0; i < ZE_ENV_COUNT; ++i) env[ZeEnvName(i)] = ZeEnv(i);
        for (const ModuleInfo &m : modules)
            found[m.name] = m.path.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(m.path);
        nlohmann::ordered_json all = {{"environment", env},
                                      {"registry", haveRegistry ? registry : ""},
                                      {"module_path", modulePath ? modulePath : ""},
                                      {"router", router},
                                      {"node", session.settings.node},
                                      {"modules", found},
                                      {"problems", problems}};
        std::printf("%s\n", all.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    } else {
        std::printf("Environment table (filled once, kvsenv first, then the process):\n");
        for (int i = 0; i < ZE_ENV_COUNT; ++i) std::printf("  %-18s = %s\n", ZeEnvName(i), ZeEnv(i));
        std::printf("Object registry: %s\n", haveRegistry ? registry : "(no data directory)");
        std::printf("Node: %s   Router: %s\n", session.settings.node.empty() ? "(none)" : session.settings.node.c_str(),
                    router.c_str());
        std::printf("Module lookup (TARN_MODULE_PATH=%s, then the directory of libTarnUtil.so, then the system):\n",
                    modulePath ? modulePath : "");
        for (const ModuleInfo &m : modules)
            std::printf("  %-14s -> %s\n", m.name.c_str(), m.path.empty() ? "not found" : m.path.c_str());
        if (problems.empty()) std::printf("Nothing stops a request.\n");
        for (const std::string &p : problems) std::printf("Problem: %s\n", p.c_str());
    }
    return problems.empty() ? kExitOk : kExitUnreachable;
}

int completion_command(Session &session, const std::string &shell)
{
    if (shell != "bash") return session.usage("completion: only bash is supported");
    std::string commands;
    for (const std::string &c : command_names()) commands += (commands.empty() ? "" : " ") + c;
    std::string script = R"SCRIPT(# bash completion for tarnadm: eval "$(tarnadm completion bash)"
_tarnadm() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local commands="@COMMANDS@"
    local valued=" --node -n --user -u --user-id --password-file --data-dir --router --lang --output -o"
    valued+=" --fields --where "
    local options="$valued --trace --quiet --wide --yes --stop-on-error --version --help"
    case $prev in
        -o|--output) COMPREPLY=($(compgen -W "table csv json" -- "$cur")); return ;;
        --router) COMPREPLY=($(compgen -W "demo remote" -- "$cur")); return ;;
        --data-dir|--password-file) COMPREPLY=($(compgen -d -- "$cur")); return ;;
    esac
    if [[ $cur == -* ]]; then COMPREPLY=($(compgen -W "$options" -- "$cur")); return; fi
    local i word cmd="" kind="" nargs=0 global=()
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ $valued == *" $word "* ]]; then
            case $word in
                --data-dir|--node|-n|--router|--lang) global+=("$word" "${COMP_WORDS[i+1]}") ;;
            esac
            ((i++)); continue
        fi
        [[ $word == -* ]] && continue
        if [[ -z $cmd ]]; then cmd=$word
        elif [[ -z $kind ]]; then kind=$word
        else ((nargs++)); fi
    done
    if [[ -z $cmd ]]; then COMPREPLY=($(compgen -W "$commands" -- "$cur")); return; fi
    case $cmd in
        objects|env|shell|logon|logoff) return ;;
        completion) COMPREPLY=($(compgen -W "bash" -- "$cur")); return ;;
    esac
    if [[ -z $kind ]]; then
        COMPREPLY=($(compgen -W "$(tarnadm "${global[@]}" __kinds 2>/dev/null)" -- "$cur")); return
    fi
    case $cmd in
        show|alter|copy|rename|delete)
            if ((nargs == 0)); then
                COMPREPLY=($(compgen -W "$(tarnadm "${global[@]}" __keys "$kind" 2>/dev/null)" -- "$cur")); return
            fi ;;
        validate)
            if ((nargs == 0)); then
                COMPREPLY=($(compgen -W "$(tarnadm "${global[@]}" __fields "$kind" 2>/dev/null)" -- "$cur"))
            fi
            return ;;
        export|import) ((nargs == 0)) && COMPREPLY=($(compgen -f -- "$cur")); ((nargs == 0)) && return ;;
    esac
    local IFS=$'\n'
    COMPREPLY=($(compgen -S = -W "$(tarnadm "${global[@]}" __fields "$kind" 2>/dev/null)" -- "$cur"))
    compopt -o nospace 2>/dev/null
}
complete -F _tarnadm tarnadm
)SCRIPT";
    script.replace(script.find("@COMMANDS@"), 10, commands);
    std::fputs(script.c_str(), stdout);
    return kExitOk;
}

}  // namespace tarnadm
