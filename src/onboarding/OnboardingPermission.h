#pragma once

namespace qm {

// The four grants the onboarding window asks for, in the order of its cards.
enum class OnboardingPermission { accessibility, notifications, reminders, calendar };

}  // namespace qm
