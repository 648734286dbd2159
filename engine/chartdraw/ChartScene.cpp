#include "engine/chartdraw/ChartScene.h"

#include <QTransform>

namespace engine::chart {

QRectF ScenePrimitive::bounds() const {
    switch (kind) {
    case Kind::Path: {
        QRectF r = path.boundingRect();
        if (stroke) {
            const double half = stroke->width / 2;
            r.adjust(-half, -half, half, half);
        }
        return r;
    }
    case Kind::Text: {
        const QRectF box(position, this->box);
        if (angle == 0) return box;
        QTransform t;
        t.translate(origin.x(), origin.y());
        t.rotate(angle);
        t.translate(-origin.x(), -origin.y());
        return t.mapRect(box);
    }
    case Kind::Image: return target;
    }
    return {};
}

std::vector<const ScenePrimitive*> ChartScene::find(SceneTag::Element element, int series, int point,
                                                    int axis) const {
    std::vector<const ScenePrimitive*> out;
    for (const ScenePrimitive& p : items) {
        if (p.tag.element != element) continue;
        if (series >= 0 && p.tag.series != series) continue;
        if (point >= 0 && p.tag.point != point) continue;
        if (axis >= 0 && p.tag.axis != axis) continue;
        out.push_back(&p);
    }
    return out;
}

int ChartScene::count(SceneTag::Element element, int series) const {
    return int(find(element, series).size());
}

QStringList ChartScene::texts(SceneTag::Element element, int axis) const {
    QStringList out;
    for (const ScenePrimitive* p : find(element, -1, -1, axis))
        if (p->kind == ScenePrimitive::Kind::Text) out << p->text;
    return out;
}

QRectF ChartScene::bounds() const {
    QRectF r;
    for (const ScenePrimitive& p : items) r = r.united(p.bounds());
    return r;
}

}  // namespace engine::chart
