#include "settings/views/GeneralPage.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "settings/GeneralSettingsModel.h"
#include "settings/views/SettingsSectionCard.h"
#include "settings/views/SettingsStyle.h"
#include "shell/views/ViewFonts.h"

namespace qm {

GeneralPage::GeneralPage(GeneralSettingsModel& model, QWidget* parent) : QWidget(parent), model_(model)
{
    using namespace SettingsStyle;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);

    auto* localFirst = new SettingsSectionCard("Local-first by default", "sparkles");
    localFirst->content()->addWidget(plainLabel(
        "Trigger matching, history, notes, timers, and calculator data stay on your Mac. Network access "
        "happens "
        "only when a feature requires it, such as update checks, Slack, or an AI provider you configure.",
        ViewFonts::system(11.5), textMuted(), true));
    layout->addWidget(localFirst);

    auto* mcp = new SettingsSectionCard("Model Context Protocol (MCP)", "network");
    checkBox_ = new QCheckBox("Enable Local MCP Server");
    checkBox_->setFont(ViewFonts::system(13, ViewFonts::Weight::semibold));
    checkBox_->setChecked(model_.isMCPServerEnabled());
    mcp->content()->addWidget(checkBox_);
    mcp->content()->addWidget(
        plainLabel("loopback-only MCP on port 9987.", ViewFonts::system(11.5), textMuted()));
    layout->addWidget(mcp);

    QObject::connect(checkBox_, &QCheckBox::toggled, this,
                     [this](bool on) { model_.setMCPServerEnabled(on); });
    model_.onChange = [this] {
        const QSignalBlocker block(checkBox_);
        checkBox_->setChecked(model_.isMCPServerEnabled());
    };
}

GeneralPage::~GeneralPage()
{
    model_.onChange = nullptr;
}

}  // namespace qm
