<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>EQCurveEditor</name>
    <message>
        <location filename="../EQCurveEditorContextMenu.cpp" line="31"/>
        <location filename="../EQCurveEditorContextMenu.cpp" line="46"/>
        <source>重置</source>
        <translation>Reset</translation>
    </message>
    <message>
        <location filename="../EQCurveEditorContextMenu.cpp" line="33"/>
        <location filename="../EQCurveEditorContextMenu.cpp" line="48"/>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
</context>
<context>
    <name>EQSoundEffectHelpCarousel</name>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="39"/>
        <source>滤波器选择</source>
        <translation>Filter type</translation>
    </message>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="40"/>
        <source>峰值 (Peaking)：调节所选频段的增益。在特定频率点附近创建局部增益调节，选择性强化或弱化窄带频率区域。</source>
        <translation>Peaking: Adjusts gain around one frequency—boost or cut a narrow band for targeted tone control.</translation>
    </message>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="41"/>
        <source>低通 (Lowpass)：保留低频，衰减高频。允许截止频率以下的低频成分无衰减通过，同时逐步抑制截止频率以上高频信号。</source>
        <translation>Lowpass: Keeps bass below the cutoff and gradually rolls off treble above it.</translation>
    </message>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="42"/>
        <source>高通 (Highpass)：保留高频，衰减低频。允许截止频率以上的高频成分无衰减通过，同时逐步抑制截止频率以下低频信号。</source>
        <translation>Highpass: Keeps treble above the cutoff and gradually rolls off bass below it.</translation>
    </message>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="43"/>
        <source>低架 (Lowshelf)：加强或削弱所选低频。对截止频率以下的全部低频段实施整体增益调节，实现低频域的整体增强或削弱。</source>
        <translation>Lowshelf: Boosts or cuts everything below the shelf—wide, overall bass changes.</translation>
    </message>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="44"/>
        <source>高架 (Highshelf)：加强或削弱所选高频。对截止频率以上的全部高频段实施整体增益调节，实现高频域的整体增强或削弱。</source>
        <translation>Highshelf: Boosts or cuts everything above the shelf—wide, overall treble changes.</translation>
    </message>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="45"/>
        <source>增益值(dB)</source>
        <translation>Gain (dB)</translation>
    </message>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="46"/>
        <source>+dB：增强选定频段音量。</source>
        <translation>+dB: Makes the selected range louder.</translation>
    </message>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="46"/>
        <source>-dB：削弱选定频段音量。</source>
        <translation>-dB: Makes the selected range quieter.</translation>
    </message>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="46"/>
        <source>提示：增益过大会导致耳机失真。</source>
        <translation>Tip: Too much gain can distort the headset.</translation>
    </message>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="47"/>
        <source>频率(Hz)</source>
        <translation>Frequency (Hz)</translation>
    </message>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="48"/>
        <source>低频：控制脚步声 / 环境音。+dB增强沉浸感，-dB减轻轰鸣声。</source>
        <translation>Low band: Footsteps and ambience. +dB feels more immersive; -dB reduces rumble.</translation>
    </message>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="49"/>
        <source>中频：调整人声 / 音效。±dB优化对话清晰度或者技能音效。</source>
        <translation>Mid band: Voices and game SFX. Adjust for clearer chat or punchier ability sounds.</translation>
    </message>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="50"/>
        <source>高频：调整枪械 / 技能音效。+dB提升小细节，-dB削弱刺耳声。</source>
        <translation>High band: Gunshots and bright SFX. +dB adds detail; -dB tames harshness.</translation>
    </message>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="51"/>
        <source>Q值</source>
        <translation>Q</translation>
    </message>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="51"/>
        <source>高Q值：聚焦微小频段，适合小范围精准调整。</source>
        <translation>High Q: Narrow focus—small, precise tweaks.</translation>
    </message>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="51"/>
        <source>低Q值：影响较宽频段，适合大范围调整优化。</source>
        <translation>Low Q: Broader sweep—gentler, wide changes.</translation>
    </message>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="52"/>
        <source>EQ曲线警戒线</source>
        <translation>EQ curve warning line</translation>
    </message>
    <message>
        <location filename="../EQSoundEffectHelpCarousel.cpp" line="52"/>
        <source>红色虚线：建议调音时不要超过红色警戒线的数值，有可能会破音！</source>
        <translation>Red dashed line: When tuning, avoid pushing gain above the red warning line—it may cause clipping or distortion！</translation>
    </message>
</context>
<context>
    <name>EQXAxisRuleBar</name>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="39"/>
        <source>默认</source>
        <translation>Default</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="40"/>
        <source>超低频</source>
        <translation>SUB BASS</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="41"/>
        <source>低频</source>
        <translation>BASS</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="42"/>
        <source>中低频</source>
        <translation>LOW MIDS</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="43"/>
        <source>中频</source>
        <translation>MID RANGE</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="44"/>
        <source>中高频</source>
        <translation>UPPER MIDS</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="45"/>
        <source>极高频</source>
        <translation>HIGHS</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="46"/>
        <source>APEX英雄</source>
        <translation>Apex</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="47"/>
        <location filename="../EQXAxisRuleBar.cpp" line="52"/>
        <location filename="../EQXAxisRuleBar.cpp" line="57"/>
        <location filename="../EQXAxisRuleBar.cpp" line="61"/>
        <location filename="../EQXAxisRuleBar.cpp" line="63"/>
        <location filename="../EQXAxisRuleBar.cpp" line="68"/>
        <location filename="../EQXAxisRuleBar.cpp" line="70"/>
        <location filename="../EQXAxisRuleBar.cpp" line="72"/>
        <source>环境氛围</source>
        <translation>AMBIENCE</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="48"/>
        <location filename="../EQXAxisRuleBar.cpp" line="53"/>
        <location filename="../EQXAxisRuleBar.cpp" line="58"/>
        <location filename="../EQXAxisRuleBar.cpp" line="61"/>
        <location filename="../EQXAxisRuleBar.cpp" line="64"/>
        <location filename="../EQXAxisRuleBar.cpp" line="68"/>
        <location filename="../EQXAxisRuleBar.cpp" line="70"/>
        <location filename="../EQXAxisRuleBar.cpp" line="72"/>
        <source>脚步声</source>
        <translation>FOOTSTEPS</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="49"/>
        <location filename="../EQXAxisRuleBar.cpp" line="54"/>
        <location filename="../EQXAxisRuleBar.cpp" line="59"/>
        <location filename="../EQXAxisRuleBar.cpp" line="68"/>
        <location filename="../EQXAxisRuleBar.cpp" line="70"/>
        <source>战术交互</source>
        <translation>TACTICAL CUES</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="50"/>
        <location filename="../EQXAxisRuleBar.cpp" line="55"/>
        <location filename="../EQXAxisRuleBar.cpp" line="60"/>
        <location filename="../EQXAxisRuleBar.cpp" line="66"/>
        <source>微细节</source>
        <translation>MICRO DETAILS</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="51"/>
        <source>无畏契约</source>
        <translation>Valorant</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="56"/>
        <source>三角洲行动</source>
        <translation>Delta Force</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="61"/>
        <source>CS2</source>
        <translation>CS2</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="61"/>
        <location filename="../EQXAxisRuleBar.cpp" line="65"/>
        <location filename="../EQXAxisRuleBar.cpp" line="72"/>
        <source>战术信息</source>
        <translation>TACTICAL INFO</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="62"/>
        <source>使命召唤:现代战争</source>
        <translation>Call of Duty: Modern Warfare</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="67"/>
        <source>绝地求生</source>
        <translation>PUBG</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="69"/>
        <source>和平精英</source>
        <translation>Game for Peace</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="71"/>
        <source>彩虹六号：围攻</source>
        <translation>Rainbow Six</translation>
    </message>
    <message>
        <location filename="../EQXAxisRuleBar.cpp" line="153"/>
        <location filename="../EQXAxisRuleBar.cpp" line="167"/>
        <source>未命名规则</source>
        <translation>Unnamed rule</translation>
    </message>
</context>
<context>
    <name>FloatingPointEditor</name>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="27"/>
        <source>Peaking</source>
        <translation>Peaking</translation>
    </message>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="28"/>
        <source>Low Pass</source>
        <translation>Low Pass</translation>
    </message>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="29"/>
        <source>High Pass</source>
        <translation>High Pass</translation>
    </message>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="30"/>
        <source>Low Shelf</source>
        <translation>Low Shelf</translation>
    </message>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="31"/>
        <source>High Shelf</source>
        <translation>High Shelf</translation>
    </message>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="34"/>
        <source>Disable</source>
        <translation>Disable</translation>
    </message>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="307"/>
        <source>Enabled</source>
        <translation>Enabled</translation>
    </message>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="308"/>
        <source>增益</source>
        <translation>Gain</translation>
    </message>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="309"/>
        <source>频率</source>
        <translation>Freq</translation>
    </message>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="310"/>
        <source>Q值</source>
        <translation>Q Value</translation>
    </message>
</context>
</TS>
