#include "Display/Camera.h"

#include <algorithm>

#include "Core/Clock.h"
#include "Core/Utility.h"
#include "Display/CameraObstacleProbe.h"
#include "Display/Display.h"
#include "Display/RenderStates.h"
#include "Input/Controller.h"

namespace {

const D3DXVECTOR3 WORLD_UP(0.0f, 1.0f, 0.0f);

const D3DXVECTOR3 DEFAULT_CHASE_OFFSET(0.0f, 0.0f, -4.0f);
const D3DXVECTOR3 DEFAULT_LOOK_OFFSET(0.0f, 2.0f, 0.0f);
const float DEFAULT_VERTICAL_ANGLE = D3DX_PI / 4.0f;
// 78.75 degrees: the chase eye never quite reaches the pole above or below.
const float VERTICAL_ANGLE_LIMIT = 1.3744468f;
const float DEFAULT_ZOOM_MIN = 1.0f;
const float DEFAULT_ZOOM_MAX = 50.0f;
const D3DXVECTOR2 SCREEN_CENTRE(0.5f, 0.5f);

// The follow camera keeps this far from its target on the ground, and this high above it.
const float FOLLOW_DISTANCE = 15.0f;
const D3DXVECTOR3 FOLLOW_RISE(0.0f, 5.0f, 0.0f);
// No turn of the follow camera goes past its goal, however long the frame.
const float MAX_FOLLOW_TURN = 1.0f;

// The zoom camera looks from just in front of the chase eye.
const float ZOOM_EYE_ADVANCE = 5.0f;
const float ZOOM_STEP = 1.0f;
const float ZOOM_FIELD_OF_VIEW = D3DX_PI / 4.0f;
const float ZOOM_NEAR_PLANE = 0.1f;
const float ZOOM_FAR_PLANE = 1000.0f;

// Units per second, and the factors of the fast and slow keys.
const float FREE_FLY_SPEED = 20.0f;
const float FREE_FLY_FAST = 4.0f;
const float FREE_FLY_SLOW = 0.5f;
// Axis units per radian of the free camera's look-around.
const float FREE_LOOK_UNITS_PER_RADIAN = 150.0f;

// The button actions the cameras read.
const int ACTION_FORWARD = 1;
const int ACTION_BACKWARDS = 2;
const int ACTION_STRAFE_LEFT = 3;
const int ACTION_STRAFE_RIGHT = 4;
const int ACTION_RIGHT_CLICK = 13;
const int ACTION_ZOOM_IN = 39;  // "Radio_Prev"
const int ACTION_ZOOM_OUT = 40; // "Radio_Next"
const int ACTION_FAST = 46;     // left control by default
const int ACTION_SLOW = 49;     // left shift by default
// The axis actions the free camera looks around by.
const int AXIS_MOUSE_X = 0;
const int AXIS_MOUSE_Y = 1;

// Action counter values.
const uint8_t ACTION_RELEASED = 1;
const uint8_t ACTION_HELD = 2;

const int ROW_X = 0;
const int ROW_Y = 1;
const int ROW_Z = 2;
const int ROW_POSITION = 3;

D3DXVECTOR3 Normalised(const D3DXVECTOR3& v)
{
    D3DXVECTOR3 out;
    D3DXVec3Normalize(&out, &v);
    return out;
}

// The rotation rows of a camera at `eye` looking at `lookAt`, level with the world's up.
void BuildLookAtRows(D3DXMATRIX* m, const D3DXVECTOR3& eye, const D3DXVECTOR3& lookAt)
{
    const D3DXVECTOR3 z = Normalised(lookAt - eye);
    D3DXVECTOR3 x;
    D3DXVec3Cross(&x, &WORLD_UP, &z);
    x = Normalised(x);
    D3DXVECTOR3 y;
    D3DXVec3Cross(&y, &z, &x);
    y = Normalised(y);
    SetMatrixRow(m, ROW_X, x);
    SetMatrixRow(m, ROW_Y, y);
    SetMatrixRow(m, ROW_Z, z);
}

bool IsHeld(const uint8_t* actions, int action)
{
    return actions[action] == ACTION_HELD;
}

} // namespace

CCameraMotion::CCameraMotion()
    : m_u8Active(0), m_vVelocity(0.0f, 0.0f, 0.0f), m_fDuration(0.0f), m_fElapsed(0.0f)
{
    D3DXQuaternionIdentity(&m_qCurrent);
    D3DXQuaternionIdentity(&m_qStart);
    D3DXQuaternionIdentity(&m_qEnd);
}

void CCameraMotion::SetOrientation(const D3DXQUATERNION& orientation)
{
    m_qStart = orientation;
    m_qEnd = orientation;
    m_qCurrent = orientation;
}

// A turn starts where the camera faces now: from the start of an earlier
// turn, a chain of turns would snap back before each one.
void CCameraMotion::TurnTo(const D3DXQUATERNION& orientation, float duration)
{
    m_qStart = m_qCurrent;
    m_qEnd = orientation;
    m_fDuration = duration;
    m_fElapsed = 0.0f;
}

CCamera::CCamera()
    : m_pTarget(nullptr),
      m_vPosition(0.0f, 0.0f, 0.0f),
      m_vChaseOffset(DEFAULT_CHASE_OFFSET),
      m_vLookOffset(DEFAULT_LOOK_OFFSET),
      m_fVerticalAngle(DEFAULT_VERTICAL_ANGLE),
      m_fVerticalAngleMax(VERTICAL_ANGLE_LIMIT),
      m_fVerticalAngleMin(-VERTICAL_ANGLE_LIMIT),
      m_u32Mode(MODE_NONE),
      m_fZoomMin(DEFAULT_ZOOM_MIN),
      m_fZoomMax(DEFAULT_ZOOM_MAX),
      m_vAimPoint(SCREEN_CENTRE),
      m_fZoom(1.0f),
      m_fInverseZoom(1.0f),
      m_pController(nullptr),
      m_pObstacleProbe(GetPhysicsObstacleProbe())
{
    D3DXMatrixIdentity(&m_matWorld);
    D3DXMatrixIdentity(&m_matView);
    D3DXMatrixIdentity(&m_matAimProjection);
}

void CCamera::Update()
{
    switch (m_u32Mode) {
    case MODE_CHASE:
        UpdateChase();
        break;
    case MODE_FOLLOW:
        UpdateFollow();
        break;
    case MODE_ZOOM:
        UpdateZoom();
        break;
    case MODE_FREE_FLY:
        UpdateFreeFly();
        break;
    case MODE_CINEMA:
        UpdateCinema();
        break;
    default:
        break;
    }
    m_vPosition = Eye();
    D3DXMatrixInverse(&m_matView, nullptr, &m_matWorld);
}

void CCamera::SetPosition(const D3DXVECTOR3& position)
{
    SetEye(position);
    m_vPosition = position;
}

void CCamera::AddPitch(float delta)
{
    m_fVerticalAngle = std::clamp(m_fVerticalAngle + delta, m_fVerticalAngleMin, m_fVerticalAngleMax);
}

void CCamera::GetFollowPosition(D3DXVECTOR3* pPosition) const
{
    if (m_pTarget == nullptr)
        return;
    *pPosition = FollowGoal();
}

void CCamera::ChaseFrom(const D3DXMATRIX& target)
{
    m_pTarget = &target;
    SetPosition(FollowGoal());
    m_u32Mode = MODE_CHASE;
}

// The eye moves in along the ray from the point looked at; moving the world
// matrix (not only the position copy) keeps the pull-in for this frame's view.
void CCamera::AvoidObstacles(const D3DXVECTOR3& lookAt)
{
    if (m_pTarget == nullptr || m_pObstacleProbe == nullptr)
        return;
    const D3DXVECTOR3 toEye = Eye() - lookAt;
    const float distance = D3DXVec3Length(&toEye);
    if (!(distance > 0.0f))
        return;
    D3DXVECTOR3 impact;
    if (!m_pObstacleProbe->CastRay(lookAt, toEye / distance, distance, &impact))
        return;
    SetPosition(impact);
}

void CCamera::UpdateChase()
{
    if (m_pTarget == nullptr)
        return;
    D3DXMATRIX pitch;
    D3DXMatrixRotationX(&pitch, m_fVerticalAngle);
    D3DXVECTOR3 offset;
    D3DXVec3TransformCoord(&offset, &m_vChaseOffset, &pitch);
    D3DXVECTOR3 eye;
    D3DXVec3TransformCoord(&eye, &offset, m_pTarget);

    const D3DXVECTOR3 lookAt = GetMatrixRow(*m_pTarget, ROW_POSITION) + m_vLookOffset;
    BuildLookAtRows(&m_matWorld, eye, lookAt);
    SetEye(eye);
    AvoidObstacles(lookAt);
}

void CCamera::UpdateFollow()
{
    if (m_pTarget == nullptr)
        return;
    const D3DXVECTOR3 eye = FollowGoal();
    const D3DXVECTOR3 targetPosition = GetMatrixRow(*m_pTarget, ROW_POSITION);

    D3DXMATRIX wanted;
    D3DXMatrixIdentity(&wanted);
    BuildLookAtRows(&wanted, eye, targetPosition);
    D3DXQUATERNION wantedRotation;
    D3DXQuaternionRotationMatrix(&wantedRotation, &wanted);
    D3DXQUATERNION currentRotation;
    D3DXQuaternionRotationMatrix(&currentRotation, &m_matWorld);
    D3DXQUATERNION rotation;
    const float turn = std::min(g_FrameTimer.GetFrameTime(), MAX_FOLLOW_TURN);
    D3DXQuaternionSlerp(&rotation, &currentRotation, &wantedRotation, turn);

    SetRotation(rotation);
    SetEye(eye);
    AvoidObstacles(targetPosition);
}

void CCamera::UpdateZoom()
{
    UpdateChase();
    ApplyZoomInput();

    D3DXVECTOR3 direction;
    ScreenPointToRay(&direction, m_vAimPoint, m_matAimProjection, *this);
    BuildMatrixFromDirection(&m_matWorld, &direction);
    SetEye(Eye() + GetMatrixRow(m_matWorld, ROW_Z) * ZOOM_EYE_ADVANCE);

    SetZoomProjection();
    m_fInverseZoom = 1.0f / m_fZoom;
}

// Without a controller nothing changes the zoom; the view still follows it.
void CCamera::ApplyZoomInput()
{
    if (m_pController == nullptr)
        return;
    const uint8_t* actions = m_pController->GetActionCounters();
    if (actions == nullptr)
        return;
    if (actions[ACTION_ZOOM_IN] == ACTION_RELEASED)
        m_fZoom = std::clamp(m_fZoom + ZOOM_STEP, m_fZoomMin, m_fZoomMax);
    if (actions[ACTION_ZOOM_OUT] == ACTION_RELEASED)
        m_fZoom = std::clamp(m_fZoom - ZOOM_STEP, m_fZoomMin, m_fZoomMax);
}

// A display mode not set yet (0 x 0) gets a square picture.
void CCamera::SetZoomProjection()
{
    const CDisplayMode& mode = g_Display.GetCurrentMode();
    const float aspect = mode.Height == 0 ? 1.0f : static_cast<float>(mode.Width) / mode.Height;
    D3DXMatrixPerspectiveFovLH(&g_matProjection, ZOOM_FIELD_OF_VIEW / m_fZoom, aspect, ZOOM_NEAR_PLANE,
                               ZOOM_FAR_PLANE);
    IDirect3DDevice8* pD3DDevice = g_Display.GetD3DDevice();
    if (pD3DDevice != nullptr)
        pD3DDevice->SetTransform(D3DTS_PROJECTION, &g_matProjection);
}

void CCamera::UpdateFreeFly()
{
    if (m_pController == nullptr)
        return;
    const uint8_t* actions = m_pController->GetActionCounters();
    if (actions == nullptr)
        return;

    float step = FREE_FLY_SPEED * g_FrameTimer.GetFrameTime();
    if (IsHeld(actions, ACTION_FAST))
        step *= FREE_FLY_FAST;
    else if (IsHeld(actions, ACTION_SLOW))
        step *= FREE_FLY_SLOW;

    D3DXVECTOR3 eye = Eye();
    const D3DXVECTOR3 forward = GetMatrixRow(m_matWorld, ROW_Z);
    const D3DXVECTOR3 right = GetMatrixRow(m_matWorld, ROW_X);
    if (IsHeld(actions, ACTION_FORWARD))
        eye += forward * step;
    if (IsHeld(actions, ACTION_BACKWARDS))
        eye -= forward * step;
    if (IsHeld(actions, ACTION_STRAFE_LEFT))
        eye -= right * step;
    if (IsHeld(actions, ACTION_STRAFE_RIGHT))
        eye += right * step;
    SetEye(D3DXVECTOR3(0.0f, 0.0f, 0.0f));

    const float* axes = m_pController->GetAxisValues();
    if (IsHeld(actions, ACTION_RIGHT_CLICK) && axes != nullptr) {
        const D3DXVECTOR3 ownX = GetMatrixRow(m_matWorld, ROW_X);
        D3DXMATRIX pitch;
        D3DXMatrixRotationAxis(&pitch, &ownX, axes[AXIS_MOUSE_Y] / FREE_LOOK_UNITS_PER_RADIAN);
        D3DXMATRIX yaw;
        D3DXMatrixRotationAxis(&yaw, &WORLD_UP, axes[AXIS_MOUSE_X] / FREE_LOOK_UNITS_PER_RADIAN);
        D3DXMatrixMultiply(&m_matWorld, &m_matWorld, &pitch);
        D3DXMatrixMultiply(&m_matWorld, &m_matWorld, &yaw);
    }
    SetEye(eye);
}

void CCamera::UpdateCinema()
{
    if (!m_Motion.m_u8Active)
        return;
    const float frameTime = g_FrameTimer.GetFrameTime();
    SetEye(Eye() + m_Motion.m_vVelocity * frameTime);

    m_Motion.m_fElapsed = std::clamp(m_Motion.m_fElapsed + frameTime, 0.0f, m_Motion.m_fDuration);
    const float t = m_Motion.m_fDuration == 0.0f ? m_Motion.m_fElapsed : m_Motion.m_fElapsed / m_Motion.m_fDuration;
    D3DXQuaternionSlerp(&m_Motion.m_qCurrent, &m_Motion.m_qStart, &m_Motion.m_qEnd, t);
    SetRotation(m_Motion.m_qCurrent);
}

D3DXVECTOR3 CCamera::Eye() const
{
    return GetMatrixRow(m_matWorld, ROW_POSITION);
}

void CCamera::SetEye(const D3DXVECTOR3& eye)
{
    SetMatrixRow(&m_matWorld, ROW_POSITION, eye);
}

void CCamera::SetRotation(const D3DXQUATERNION& rotation)
{
    D3DXMATRIX matRotation;
    D3DXMatrixRotationQuaternion(&matRotation, &rotation);
    for (int row = ROW_X; row <= ROW_Z; ++row)
        SetMatrixRow(&m_matWorld, row, GetMatrixRow(matRotation, row));
}

// On the camera's side of the target, level with it; straight behind it when
// the camera stands exactly above or below.
D3DXVECTOR3 CCamera::FollowGoal() const
{
    const D3DXVECTOR3 targetPosition = GetMatrixRow(*m_pTarget, ROW_POSITION);
    const D3DXVECTOR3 eye = Eye();
    D3DXVECTOR3 direction(eye.x - targetPosition.x, 0.0f, eye.z - targetPosition.z);
    if (direction.x == 0.0f && direction.z == 0.0f)
        direction = -GetMatrixRow(*m_pTarget, ROW_Z);
    return targetPosition + Normalised(direction) * FOLLOW_DISTANCE + FOLLOW_RISE;
}

void ScreenPointToRay(D3DXVECTOR3* out, const D3DXVECTOR2& point, const D3DXMATRIX& projection,
                      const CCamera& camera)
{
    ScreenPointToRay(out, point, projection, camera.GetWorldMatrix());
}
