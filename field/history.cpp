#include "history.h"

namespace field {

void History::add(const Sample& sample) {
    m_samples.push_back(sample);
    while (!m_samples.empty() &&
           (m_samples.size() > size_t(kCapacity) || sample.ms - m_samples.front().ms > kKeepMs))
        m_samples.pop_front();
}

} // namespace field
