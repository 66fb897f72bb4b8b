#include "store/DatabaseManager.h"

#include "base/Log.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

namespace {

// Columns in the order of the insert: id, name, pattern, category, description, severity.
constexpr std::array<std::array<std::string_view, 6>, 18> kDefaultRules = {{
    {"M001", "Duplicate Words", R"re(\b([a-zA-Z]+)\s+\1\b)re", "grammar",
     "Consecutive duplicate words typed by mistake.", "warning"},
    {"M002", "Missing SQL Delete WHERE", R"re((?i)\bDELETE\s+FROM\s+\w+\b(?!.*\bWHERE\b))re", "sql",
     "Delete command executed without a protective WHERE clause.", "critical"},
    {"M003", "Missing SQL Update WHERE", R"re((?i)\bUPDATE\s+\w+\s+SET\s+\w+\s*=[^;]+(?!.*\bWHERE\b))re",
     "sql", "Update command executed without a protective WHERE clause.", "critical"},
    {"M004", "Destructive CLI Command",
     R"re(\b(?:rm\s+-rf\s+(?:\*|/)|chmod\s+(?:-R\s+)?777|mkfs\.[a-z0-9]+)\b)re", "terminal",
     "Execution of high-cost destructive command.", "critical"},
    {"M005", "Exposed Auth Token / Secret",
     R"re(\b(?:sk_live_[0-9a-zA-Z]{24}|xox[baprs]-[0-9a-zA-Z\-]+)\b)re", "security",
     "API key or authenticating secret exposed.", "critical"},
    {"M006", "Exposed AWS Access Key", R"re(\bAKIA[0-9A-Z]{16}\b)re", "security",
     "AWS Access Key ID exposed.", "critical"},
    {"M007", "Exposed SSH Private Key", R"re(-----BEGIN [A-Z ]+ PRIVATE KEY-----)re", "security",
     "SSH private key contents detected.", "critical"},
    {"M008", "Broken Boolean Assignment", R"re(\bif\s*\([^=]+=[^=][^)]*\))re", "syntax",
     "Accidental single-equals assignment inside variable check condition.", "warning"},
    {"M009", "Semicolon After Conditional", R"re(\b(?:if|while|for)\s*\([^)]*\)\s*;)re", "syntax",
     "Accidental terminal semicolon ending a loop or conditional expression.", "warning"},
    {"M010", "Git Conflict Markers", R"re(^(?:<<<<<<<|=======|>>>>>>>))re", "git",
     "Unresolved merge clash marker left inside file buffer.", "warning"},
    {"M011", "CLI Plaintext Password",
     R"re(\b(?:psql|mysql|mongo|redis-cli|pg_dump|mysqladmin)\b.*\b-p\s*[^\s]+)re", "devops",
     "Plaintext password entered directly inside terminal command line.", "critical"},
    {"M012", "Terraform Destroy", R"re(\bterraform\s+destroy\b(?!.*-auto-approve))re", "devops",
     "Terraform destroy execution proposed without an automatic approval safety flag.", "critical"},
    {"M013", "K8s Namespace Missing", R"re(\bkubectl\s+delete\s+\w+\s+\S+\b(?!.*\s+--namespace))re", "devops",
     "Kubernetes delete command specified without explicitly restricting the namespace.", "critical"},
    {"M014", "Docker Force Removal", R"re(\bdocker\s+(?:rm|rmi|volume\s+rm)\s+-f\b)re", "devops",
     "Docker resources deleted forcefully bypassing safety checks.", "warning"},
    {"M015", "Git Force Push", R"re(\bgit\s+push\s+.*\b(?:main|master)\b.*\b(?:-f|--force)\b)re", "devops",
     "Force-pushing directly to a protected branch (main/master) is highly dangerous.", "critical"},
    {"M016", "SSH Keygen Empty Passphrase", R"re(\bssh-keygen\b.*\b-N\s*"")re", "devops",
     "SSH key generated with an empty passphrase leaves the credentials insecure.", "warning"},
    {"M017", "AWS CLI Hardcoded Credentials",
     R"re(\baws\s+.*\b--aws-access-key-id\s+\S+|--aws-secret-access-key\s+\S+)re", "devops",
     "Hardcoded AWS Access Credentials entered on CLI.", "critical"},
    {"M018", "Export Secret Variable",
     R"re(\bexport\s+(?:SECRET|TOKEN|PASSWORD|API_KEY|AUTH_TOKEN)\s*=\s*\S+)re", "devops",
     "Export of plaintext authenticating credential/secret in terminal.", "warning"},
}};

// Bundle identifier and reasoning; every seeded exclusion has the category "app".
constexpr std::array<std::array<std::string_view, 2>, 7> kDefaultExclusions = {{
    {"com.apple.keychainaccess", "System Keychain Utility"},
    {"com.1password.1password", "1Password Desktop App"},
    {"com.bitwarden.desktop", "Bitwarden Desktop client"},
    {"org.keepassxc.keepassxc", "KeePassXC Password Vault"},
    {"com.dashlane.dashlanedesktop", "Dashlane Client"},
    {"com.lastpass.LastPass", "LastPass app"},
    {"com.msecure.maccore", "mSecure Vault"},
}};

}  // namespace

// Only missing rows are added: a rule the user disabled stays disabled, and an
// exclusion the user deleted comes back at the next start. All of it is one
// transaction, so a first start syncs the file once instead of once per row,
// and a rule is reported seeded only once it is stored.
void DatabaseManager::seedDefaultRules()
{
    const bool inTransaction = executeNonQuery("BEGIN IMMEDIATE;");
    std::vector<std::string> seeded;
    for (const auto& rule : kDefaultRules) {
        const std::string id(rule[0]);
        if (!executeQuery("SELECT id FROM rules_config WHERE id = '" + id + "';").empty()) {
            continue;
        }
        if (executeNonQueryWithParams("INSERT INTO rules_config (id, name, pattern, category, description, "
                                      "severity, is_enabled) VALUES (?, ?, ?, ?, ?, ?, 1);",
                                      std::vector<std::string>(rule.begin(), rule.end()))) {
            seeded.push_back(id);
        }
    }

    for (const auto& [id, reasoning] : kDefaultExclusions) {
        const std::string bundleId(id);
        if (!executeQuery("SELECT id FROM exclusion_list WHERE id = '" + bundleId + "';").empty()) {
            continue;
        }
        executeNonQueryWithParams("INSERT INTO exclusion_list (id, category, reasoning) VALUES (?, ?, ?);",
                                  {bundleId, "app", std::string(reasoning)});
    }

    if (inTransaction && !executeNonQuery("COMMIT;")) {
        executeNonQuery("ROLLBACK;");
        Log::print("❌ SQLite Error: The built-in rules could not be stored.");
        return;
    }
    for (const auto& id : seeded) {
        Log::print("✅ Seeded Rule: " + id);
    }
}

}  // namespace qm
