// The traffic picture of the stand-in: a snapshot of its records, drawn outside its lock.
#include "support/simstub/picture.h"
#include "support/simstub/sim_stub_impl.h"

namespace simstub {

PictureResult SimStub::writePicture(const std::filesystem::path& path) const {
    Impl& m = *impl_;
    PictureInput input;
    {
        std::lock_guard lock(m.mutex);
        input.user = m.objects.at(1);
        input.marks = m.scenario.marks;
        input.groundElevation = m.scenario.groundElevation;
        input.zuluSeconds = static_cast<double>(m.scenario.zuluStart) + m.nowLocked();
        std::map<std::uint32_t, const ObjectState*> drawn;
        for (const auto& [id, o] : m.objects) {
            if (o.kind == ObjectKind::ai) {
                drawn[id] = &o;
            }
        }
        for (const auto& [id, o] : m.endedObjects) {
            drawn[id] = &o;
        }
        for (const auto& [id, o] : drawn) {
            PictureObject p;
            p.state = *o;
            p.staticCgFeet = gf_staticCgOf(&m.scenario, o->title).cgToGround;
            if (auto it = m.positionLog.find(id); it != m.positionLog.end()) {
                p.positions.assign(it->second.begin(), it->second.end());
            }
            input.objects.push_back(std::move(p));
        }
    }
    PictureResult result = gf_writePicture(path, input);
    std::vector<std::pair<std::string, bool>> lines{{result.line, false}};
    m.emit(lines);
    return result;
}

} // namespace simstub
