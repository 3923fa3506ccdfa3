#pragma once

#include <cstdint>

#include "platform/d3dx8/D3DX8Math.h"

class CController;
class ICameraObstacleProbe;

// A scripted turn and drift of a camera, driven by the cinema events: they
// turn it at once (SetOrientation) or over time (TurnTo) and write the
// active flag and the velocity directly.
class CCameraMotion {
public:
    CCameraMotion();

    // The camera takes this orientation on its next update.
    void SetOrientation(const D3DXQUATERNION& orientation);
    // Turns from where the camera faces now to `orientation` over `duration` seconds.
    void TurnTo(const D3DXQUATERNION& orientation, float duration);

    uint8_t m_u8Active;
    // Units per second.
    D3DXVECTOR3 m_vVelocity;
    D3DXQUATERNION m_qCurrent;
    D3DXQUATERNION m_qStart;
    D3DXQUATERNION m_qEnd;
    // Seconds.
    float m_fDuration;
    float m_fElapsed;
};

// A world matrix that one of six modes moves each frame, with the view
// matrix kept as its inverse. Its rows are the camera's x axis, y axis, view
// direction and position. Mode, target and controller belong to the
// camera's owners (the screen states, the player, the console, the cinema
// events), which write them directly; so do the weapons that scope in with
// the aim point and aim projection.
class CCamera {
public:
    enum {
        MODE_NONE = 0,
        MODE_CHASE = 1,
        MODE_FOLLOW = 2,
        MODE_ZOOM = 3,
        MODE_FREE_FLY = 4,
        MODE_CINEMA = 5,
    };

    CCamera();

    // Once per frame: the mode moves the world matrix, then the position and
    // the view matrix follow it.
    void Update();
    void SetPosition(const D3DXVECTOR3& position);
    // Raises (positive) or lowers the chase eye, within the angle's limits.
    void AddPitch(float delta);
    // Where the follow mode would put the eye; untouched without a target.
    void GetFollowPosition(D3DXVECTOR3* pPosition) const;
    // Chases `target` from where following it would put the eye.
    void ChaseFrom(const D3DXMATRIX& target);
    // Pulls the eye in to the first obstacle between `lookAt` and the eye.
    void AvoidObstacles(const D3DXVECTOR3& lookAt);

    const D3DXMATRIX& GetWorldMatrix() const { return m_matWorld; }
    const D3DXMATRIX& GetViewMatrix() const { return m_matView; }
    const D3DXVECTOR3& GetPosition() const { return m_vPosition; }

    // The followed thing's world matrix (position in the fourth row, forward
    // in the third); null follows nothing.
    const D3DXMATRIX* m_pTarget;
    D3DXMATRIX m_matWorld;
    D3DXMATRIX m_matView;
    D3DXVECTOR3 m_vPosition;
    D3DXVECTOR3 m_vChaseOffset;
    // Added to the target's position to give the point looked at.
    D3DXVECTOR3 m_vLookOffset;
    // Radians; raises the chase eye above the target.
    float m_fVerticalAngle;
    float m_fVerticalAngleMax;
    float m_fVerticalAngleMin;
    uint32_t m_u32Mode;
    float m_fZoomMin;
    float m_fZoomMax;
    // A point of the screen as fractions, and the projection that turns it
    // into the zoom camera's line of sight.
    D3DXVECTOR2 m_vAimPoint;
    D3DXMATRIX m_matAimProjection;
    float m_fZoom;
    // Read by the actor to slow its aim while zoomed in.
    float m_fInverseZoom;
    CCameraMotion m_Motion;
    // The driver whose actions and axes the free-fly and zoom modes read.
    CController* m_pController;
    // What stops a following camera short of walls; the physics scene unless replaced.
    const ICameraObstacleProbe* m_pObstacleProbe;

private:
    void UpdateChase();
    void UpdateFollow();
    void UpdateZoom();
    void UpdateFreeFly();
    void UpdateCinema();
    void ApplyZoomInput();
    void SetZoomProjection();

    D3DXVECTOR3 Eye() const;
    void SetEye(const D3DXVECTOR3& eye);
    void SetRotation(const D3DXQUATERNION& rotation);
    D3DXVECTOR3 FollowGoal() const;
};

// The world-space direction through a screen point (0..1 from the top-left)
// as seen by the camera through `projection`; not normalised.
void ScreenPointToRay(D3DXVECTOR3* out, const D3DXVECTOR2& point, const D3DXMATRIX& projection,
                      const CCamera& camera);

// The player's camera, the free-flying camera (which also holds the menu
// view) and the camera of the in-engine cinematics.
extern CCamera g_GameCamera;
extern CCamera g_FreeCamera;
extern CCamera g_CinemaCamera;
// The camera whose view is drawn.
extern CCamera* g_pActiveCamera;
